#pragma once

#include "Controls.h"
#include "ModalDriver.h"
#include "ReportBook.h"
#include "reports/ReportDocument.h"
#include "reports/ReportPreview.h"
#include "reports/frmRel.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>

// The report window over a book, driven by its controls. Reports are made on
// a thread of their own: settle() waits until the window is idle again.
struct ReportWindow
{
    explicit ReportWindow(TestBook& book) : w(book.session) { settle(); }
    frmRel w;

    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!w.isWorking(), 60000); }
    template <typename T> T* get(const char* name) { return control<T>(w, name); }
    void click(const char* button)
    {
        get<QPushButton>(button)->click();
        settle();
    }
    QString text(const char* name) { return get<QLineEdit>(name)->text(); }
    QString notice() { return get<QLabel>("lblAviso")->text(); }
    ReportPreview* preview() { return get<ReportPreview>("VRel"); }
    QAction* tool(const char* name) { return control<QAction>(*preview(), name); }
    QStringList descriptions() { return preview()->document()->texts(u"Detail"_s, u"Field4"_s); }
    // Starts the preview of first..last and returns while it is made.
    void startPreview(const char* first, const char* last, bool newPagePerDay = false)
    {
        get<QLineEdit>("txtDe")->setText(QString::fromLatin1(first));
        get<QLineEdit>("txtAte")->setText(QString::fromLatin1(last));
        get<QCheckBox>("ckFolhaDia")->setChecked(newPagePerDay);
        get<QPushButton>("btnVisualizar")->click();
    }
    void previewOf(const char* first, const char* last, bool newPagePerDay = false)
    {
        startPreview(first, last, newPagePerDay);
        settle();
    }
    void showActive() { ::showActive(w); }
    // Answers the print dialog: into a PDF file, pages first..last (all when 0).
    void printTo(const QString& fileName, int first = 0, int last = 0)
    {
        whenModal<QPrintDialog>([=, this](QPrintDialog* dialog) {
            firstPage = dialog->minPage();
            lastPage = dialog->maxPage();
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            dialog->printer()->setOutputFileName(fileName);
            if (first > 0) {
                dialog->printer()->setPrintRange(QPrinter::PageRange);
                dialog->printer()->setFromTo(first, last);
            }
            dialog->done(QDialog::Accepted);
        });
        tool("toolPrint")->trigger();
    }
    // The pages the print dialog offered.
    int firstPage = -1;
    int lastPage = -1;
};
