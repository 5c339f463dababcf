#include "archive/reportpreview.h"

#include "archive/texts.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QQueue>
#include <QSpinBox>
#include <QVBoxLayout>
#include <malloc.h>
#include <memory>
#include <utility>

namespace {

struct Script
{
    bool active = false;
    QQueue<QString> pdfs;
    std::function<void(QDialog *)> inspect;
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

namespace {

report::Measure printerMeasure(Metrics &metrics, double unit)
{
    return [&metrics, unit](const QString &text, double points, bool bold) {
        return metrics.of(points, bold).horizontalAdvance(text) / unit;
    };
}

// One page of the preview, scaled to the widget: the sheet of paper and its texts, laid out
// with the printer's measures so that the preview shows what will be printed.
class PageView : public QWidget
{
public:
    PageView(const report::Layout &layout, const sheet::Table &rows, QPrinter &printer,
             QWidget *parent)
        : QWidget(parent)
        , m_layout(layout)
        , m_rows(rows)
        , m_metrics(printer)
        , m_measure(printerMeasure(m_metrics, printer.resolution() / 25.4))
    {
        setObjectName(QStringLiteral("reportPageView"));
        setMinimumSize(420, 594);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
        setPalette(pal);
        setAutoFillBackground(true);
    }
    void showPage(int number)
    {
        m_number = number;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // Hundredths of a millimetre; the paper (A4) centred in the widget with a border.
        constexpr double PaperW = 21000, PaperH = 29700, MarginU = report::Margin * 100;
        const double scale = qMin((width() - 20) / PaperW, (height() - 20) / PaperH);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.translate((width() - PaperW * scale) / 2, (height() - PaperH * scale) / 2);
        painter.scale(scale, scale);
        painter.fillRect(QRectF(0, 0, PaperW, PaperH), Qt::white);
        painter.translate(MarginU, MarginU);
        painter.setPen(Qt::black);
        const report::Page page = report::pageAt(m_layout, m_rows, m_measure, m_number);
        for (const report::PlacedText &t : page.texts) {
            QFont font = reportFont(t.pointSize, t.bold);
            font.setPixelSize(qMax(1, qRound(t.pointSize * 2540 / 72)));
            painter.setFont(font);
            const double ascent = QFontMetricsF(font).ascent();
            painter.drawText(QPointF(t.x * 100, t.y * 100 + ascent), t.text);
        }
    }

private:
    const report::Layout &m_layout;
    const sheet::Table &m_rows;
    Metrics m_metrics;
    report::Measure m_measure;
    int m_number = 1;
};

// The preview window: a page, the buttons to move through the pages, print and close.
class PreviewDialog : public QDialog
{
public:
    PreviewDialog(const report::Layout &layout, const sheet::Table &rows, QPrinter &printer,
                  const QString &caption, QWidget *parent)
        : QDialog(parent)
        , m_layout(layout)
        , m_rows(rows)
        , m_printer(printer)
        , m_pages(report::pageCount(rows.rowCount()))
    {
        namespace t = texts::archive;
        setObjectName(QStringLiteral("reportPreview"));
        setWindowTitle(caption);
        auto *bar = new QHBoxLayout;
        auto button = [&](const QString &text, const char *name) {
            auto *b = new QPushButton(text, this);
            b->setObjectName(QString::fromLatin1(name));
            b->setAutoDefault(false);
            bar->addWidget(b);
            return b;
        };
        QPushButton *first = button(t::PreviewFirst, "reportFirst");
        QPushButton *previous = button(t::PreviewPrevious, "reportPrevious");
        m_number = new QSpinBox(this);
        m_number->setObjectName(QStringLiteral("reportPage"));
        m_number->setRange(1, m_pages);
        bar->addWidget(m_number);
        auto *count = new QLabel(t::PreviewPageCount.arg(m_pages), this);
        count->setObjectName(QStringLiteral("reportPageCount"));
        bar->addWidget(count);
        QPushButton *next = button(t::PreviewNext, "reportNext");
        QPushButton *last = button(t::PreviewLast, "reportLast");
        bar->addStretch();
        QPushButton *print = button(t::PreviewPrint, "reportPrint");
        QPushButton *close = button(t::PreviewClose, "reportClose");
        m_view = new PageView(layout, rows, printer, this);
        auto *column = new QVBoxLayout(this);
        column->addLayout(bar);
        column->addWidget(m_view, 1);

        connect(m_number, &QSpinBox::valueChanged, m_view, &PageView::showPage);
        connect(first, &QPushButton::clicked, this, [this] { m_number->setValue(1); });
        connect(previous, &QPushButton::clicked, this, [this] { m_number->stepDown(); });
        connect(next, &QPushButton::clicked, this, [this] { m_number->stepUp(); });
        connect(last, &QPushButton::clicked, this, [this] { m_number->setValue(m_pages); });
        connect(print, &QPushButton::clicked, this, [this] { printAll(); });
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
        resize(640, 860);
    }

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        switch (event->key()) {
        case Qt::Key_PageDown:
            m_number->stepUp();
            return;
        case Qt::Key_PageUp:
            m_number->stepDown();
            return;
        case Qt::Key_Home:
            m_number->setValue(1);
            return;
        case Qt::Key_End:
            m_number->setValue(m_pages);
            return;
        default:
            QDialog::keyPressEvent(event);
        }
    }

private:
    void printAll()
    {
        m_printer.setFromTo(0, 0);
        QPrintDialog choose(&m_printer, this);
        choose.setMinMax(1, m_pages);
        if (choose.exec() != QDialog::Accepted)
            return;
        QProgressDialog progress(texts::archive::Printing.arg(0).arg(m_pages),
                                 texts::archive::PrintCancel, 0, m_pages, this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(300);
        const bool done = paintReport(m_layout, m_rows, m_printer, [&](int page, int pages) {
            progress.setMaximum(pages);
            progress.setValue(page);
            progress.setLabelText(texts::archive::Printing.arg(page + 1).arg(pages));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
        if (!done)
            m_printer.abort();
    }

    const report::Layout &m_layout;
    const sheet::Table &m_rows;
    QPrinter &m_printer;
    const int m_pages;
    QSpinBox *m_number = nullptr;
    PageView *m_view = nullptr;
};

} // namespace

bool paintReport(const report::Layout &layout, const sheet::Table &rows, QPrinter &printer,
                 const std::function<bool(int, int)> &goOn)
{
    // Device units per millimetre; the painter's origin is the top left of the printable area.
    const double unit = printer.resolution() / 25.4;
    Metrics metrics(printer);
    const report::Measure measure = printerMeasure(metrics, unit);
    const int pages = report::pageCount(rows.rowCount());
    int from = 1, to = pages;
    if (printer.fromPage() > 0) {
        from = qBound(1, printer.fromPage(), pages);
        to = qBound(from, printer.toPage() > 0 ? printer.toPage() : pages, pages);
    }

    QPainter painter(&printer);
    painter.setPen(Qt::black);
    for (int number = from; number <= to; ++number) {
        if (goOn && !goOn(number - from, to - from + 1))
            return false;
        if (number > from)
            printer.newPage();
        const report::Page page = report::pageAt(layout, rows, measure, number);
        for (const report::PlacedText &t : page.texts) {
            painter.setFont(reportFont(t.pointSize, t.bold));
            const double ascent = metrics.of(t.pointSize, t.bold).ascent();
            painter.drawText(QPointF(t.x * unit, t.y * unit + ascent), t.text);
        }
    }
    return true;
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
        if (!s.inspect)
            return;
    }
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(layout.title);
        setUpReportPrinter(printer);
        PreviewDialog dialog(layout, rows, printer, caption, parent);
        if (s.inspect) {
            const auto inspect = std::exchange(s.inspect, {});
            inspect(&dialog);
        } else {
            dialog.exec();
        }
    }
    // The rows of a large report are gone with the preview: the memory goes back to the
    // system, not only to the allocator.
    rows = sheet::StringTable();
    ::malloc_trim(0);
}

void ReportPreview::inspectNext(std::function<void(QDialog *)> look)
{
    script().inspect = std::move(look);
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
