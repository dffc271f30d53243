#include "TestMain.h"

#include <QCoreApplication>

LIVRO_TEST_MAIN(QCoreApplication)
