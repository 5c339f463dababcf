#pragma once
// Painting the report pages and the print preview. Like Dialogs for boxes, the preview is a
// service that tests script: a scripted preview writes the pages to a PDF file instead of
// opening a window.
#include "archive/reportmodel.h"
#include "archive/sheettable.h"

#include <QString>
#include <functional>

class QDialog;
class QPrinter;
class QWidget;

// A4 portrait, 10 mm margins.
void setUpReportPrinter(QPrinter &printer);
// Paints the pages of the report over the rows onto the printer, which must be set up with
// setUpReportPrinter: all of them, or the range the printer was given (fromPage/toPage). Each
// page is laid out as it is painted, so memory does not grow with the number of pages.
// `goOn(pagesDone, pagesInAll)` is asked before each page; false stops the printing and
// returns false. Fonts: Arial (or what the system puts in its place), with the system's
// Chinese font for the characters Arial lacks.
bool paintReport(const report::Layout &layout, const sheet::Table &rows, QPrinter &printer,
                 const std::function<bool(int, int)> &goOn = {});
// Writes the report to a PDF file.
void writeReportPdf(const report::Layout &layout, const sheet::Table &rows, const QString &path);

class ReportPreview
{
public:
    // Opens the modal print preview over the rows, which it keeps as its own copy, and returns
    // when it is closed. It shows one page at a time, laid out when it is shown (a report of a
    // million rows opens at once); from it the user prints, also to PDF, with a way to stop.
    static void show(const report::Layout &layout, sheet::StringTable rows, const QString &caption,
                     QWidget *parent = nullptr);

    // --- script mode (tests) ---
    static void beginScript();
    static void endScript();
    // The next preview writes this PDF file instead of opening; a preview without a queued file
    // writes nothing. Either way it is counted.
    static void queuePdf(const QString &path);
    static int pendingPdfs();
    static int shownCount();
    static QString lastCaption();
    // The next preview is built as a user would see it and handed to `look` instead of being
    // run (the PDF, when one is queued, is written first).
    static void inspectNext(std::function<void(QDialog *)> look);
};
