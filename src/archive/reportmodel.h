#pragma once
// The printed list reports as pages of placed texts, before any painting: A4 portrait with 10 mm
// margins, a title band on the first page, a column header band (record count, page number,
// column captions) on every page, and one detail band per row. Positions are millimetres from
// the top left corner of the printable area.
#include "archive/sheettable.h"

#include <QString>
#include <QVector>
#include <functional>

namespace report {

// Band and page sizes in tenths of a millimetre, so that the number of rows on a page is exact.
constexpr int PrintableWidth = 1900;
constexpr int PrintableHeight = 2770;
constexpr int TitleBandHeight = 71;
constexpr int HeaderBandHeight = 127;
constexpr int DetailBandHeight = 53;
constexpr double Margin = 10.0;

struct Column
{
    QString caption;
    double captionX;
    QString field;
    double fieldX;
    double pointSize = 8;
};

struct Layout
{
    QString title;
    double countX; // where the record count is printed
    QVector<Column> columns;
};

Layout archiveLayout();
Layout passageLayout();
Layout historyLayout(); // the card history window's rows

struct PlacedText
{
    double x;
    double y; // top of the text
    QString text;
    double pointSize = 8;
    bool bold = false;
};

struct Page
{
    int number; // 1-based
    int firstRow;
    int rowCount;
    QVector<PlacedText> texts;
};

// The advance width of a text in millimetres at a point size of the report font.
using Measure = std::function<double(const QString &text, double pointSize, bool bold)>;

int rowsOnFirstPage();
int rowsOnLaterPages();
int pageCount(int rows);

// The pages of a report over the rows (fields looked up by name; a missing field prints
// nothing). There is always at least one page. The count and the page number push the "条" and
// "页" after them to the right when they are wider than the room the layout gives them, and a
// text that would run past the right margin is cut at the last whole character that fits.
QVector<Page> paginate(const Layout &layout, const sheet::Table &rows, const Measure &measure);
// One page of paginate()'s result (number 1 ... pageCount, clamped), laid out alone: a preview
// or a printer needs only the page at hand, whatever the number of rows.
Page pageAt(const Layout &layout, const sheet::Table &rows, const Measure &measure, int number);

} // namespace report
