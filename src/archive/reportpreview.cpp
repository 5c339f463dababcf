#include "archive/reportpreview.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPageLayout>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QQueue>
#include <memory>

namespace {

struct Script
{
    bool active = false;
    QQueue<QString> pdfs;
    int shown = 0;
    QString caption;
};

Script &script()
{
    static Script s;
    return s;
}

QFont reportFont(double points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Font metrics on the printer, one per size and weight the report uses.
class Metrics
{
public:
    explicit Metrics(QPrinter &printer)
        : m_printer(printer)
    {}
    const QFontMetricsF &of(double points, bool bold)
    {
        const int key = int(points * 10) * 2 + (bold ? 1 : 0);
        auto it = m_cache.find(key);
        if (it == m_cache.end())
            it = m_cache.emplace(
                key, std::make_shared<QFontMetricsF>(reportFont(points, bold), &m_printer));
        return *it.value();
    }

private:
    QPrinter &m_printer;
    QHash<int, std::shared_ptr<QFontMetricsF>> m_cache;
};

} // namespace

void setUpReportPrinter(QPrinter &printer)
{
    printer.setFullPage(false);
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(report::Margin, report::Margin, report::Margin, report::Margin),
                    QPageLayout::Millimeter));
}

void paintReport(const report::Layout &layout, const sheet::Table &rows, QPrinter &printer)
{
    // Device units per millimetre; the painter's origin is the top left of the printable area.
    const double unit = printer.resolution() / 25.4;
    Metrics metrics(printer);
    const report::Measure measure = [&](const QString &text, double points, bool bold) {
        return metrics.of(points, bold).horizontalAdvance(text) / unit;
    };
    const QVector<report::Page> pages = report::paginate(layout, rows, measure);

    QPainter painter(&printer);
    painter.setPen(Qt::black);
    for (const report::Page &page : pages) {
        if (page.number > 1)
            printer.newPage();
        for (const report::PlacedText &t : page.texts) {
            painter.setFont(reportFont(t.pointSize, t.bold));
            const double ascent = metrics.of(t.pointSize, t.bold).ascent();
            painter.drawText(QPointF(t.x * unit, t.y * unit + ascent), t.text);
        }
    }
}

void writeReportPdf(const report::Layout &layout, const sheet::Table &rows, const QString &path)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setDocName(layout.title);
    setUpReportPrinter(printer);
    paintReport(layout, rows, printer);
}

void ReportPreview::show(const report::Layout &layout, sheet::StringTable rows,
                         const QString &caption, QWidget *parent)
{
    Script &s = script();
    if (s.active) {
        ++s.shown;
        s.caption = caption;
        if (!s.pdfs.isEmpty())
            writeReportPdf(layout, rows, s.pdfs.dequeue());
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(layout.title);
    setUpReportPrinter(printer);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(caption);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&](QPrinter *target) { paintReport(layout, rows, *target); });
    dialog.exec();
}

void ReportPreview::beginScript()
{
    script() = Script();
    script().active = true;
}

void ReportPreview::endScript()
{
    script() = Script();
}
void ReportPreview::queuePdf(const QString &path)
{
    script().pdfs.enqueue(path);
}
int ReportPreview::pendingPdfs()
{
    return int(script().pdfs.size());
}
int ReportPreview::shownCount()
{
    return script().shown;
}
QString ReportPreview::lastCaption()
{
    return script().caption;
}
