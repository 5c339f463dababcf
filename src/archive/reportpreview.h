#pragma once
// Painting the report pages and the print preview. Like Dialogs for boxes, the preview is a
// service that tests script: a scripted preview writes the pages to a PDF file instead of
// opening a window.
#include "archive/reportmodel.h"
#include "archive/sheettable.h"

#include <QString>

class QPrinter;
class QWidget;

// A4 portrait, 10 mm margins.
void setUpReportPrinter(QPrinter &printer);
// Paints every page of the report over the rows onto the printer, which must be set up with
// setUpReportPrinter. Fonts: Arial (or what the system puts in its place), with the system's
// Chinese font for the characters Arial lacks.
void paintReport(const report::Layout &layout, const sheet::Table &rows, QPrinter &printer);
// Writes the report to a PDF file.
void writeReportPdf(const report::Layout &layout, const sheet::Table &rows, const QString &path);

class ReportPreview
{
public:
    // Opens the modal print preview (from which the user prints, also to PDF) over the rows,
    // which it keeps as its own copy; returns when the preview is closed.
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
};
