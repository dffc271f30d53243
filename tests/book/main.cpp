#include "TestMain.h"

#include <QApplication>

LIVRO_TEST_MAIN(QApplication)
