#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QPen>
#include <QStringList>

#include <functional>

class QPagedPaintDevice;
class QPainter;
class QPaintDevice;

namespace ambitra {

struct OwnFiles;

// The columns of a table: each one's share of the page width, and whether its
// cells are figures (right-aligned).
struct Columns {
    QList<double> widths;
    QList<bool> figures;
};

// How the rows of one style are laid out and painted.
struct RowStyle {
    enum Kind {
        Paragraph,  // a text whose lines may part at a page's end
        Lines,      // a text whose lines stay together (a title, a heading)
        TableHead,  // repeated atop a page its table goes on over
        TableRow,
        Block,  // of a height of its own, painted by the report itself
    };
    Kind kind = Paragraph;
    QFont font = {};
    double above = 0;  // the space kept above its first line, in heights of its font
    double extra = 0;  // lines added to a table row's height; a block's height, in lines
    Qt::Alignment across = Qt::AlignLeft;  // of a text
    double indent = 0;                     // a text's margin at each side, a share of the width
    QColor fill = {};                      // behind a table row, when valid
    bool ruleAbove = false;                // over a table row, or over a text as wide as it
    bool ruleBelow = false;                // under a table row, in the rule's pen
};

// One row of a report as it is laid out on the pages.
struct PagedRow {
    int style = 0;  // its index among the styles
    QStringList cells;
    const Columns* columns = nullptr;  // of a table row
    bool keepWithNext = false;         // a heading never ends a page
    qsizetype item = -1;               // a block's own datum, for the report that paints it
    // Laid out for the page width: each cell's lines and their advances, the
    // row's height, and the table head it goes on from.
    QList<QStringList> lines = {};
    QList<QList<double>> advances = {};
    double above = 0;
    double height = 0;
    qsizetype head = -1;
};

// Rows of text and tables laid out on pages of a width: wrapped so that
// nothing is cut off, paginated with the rows that go together kept together,
// and painted.
class PagedRows {
  public:
    // lineSpacing: a line's height in heights of its font; padding: the space
    // at each side of a cell.
    PagedRows(QPaintDevice& device, const QList<RowStyle>& styles, double width, double lineSpacing,
              double padding, const QPen& rule);

    const QFont& font(int style) const { return m_styles[style].font; }
    const QFontMetricsF& metrics(int style) const { return m_metrics[style]; }
    double line(int style) const { return m_metrics[style].height() * m_lineSpacing; }

    // A text becomes one row per line, so that a long paragraph goes on over
    // the next page; a table row grows to its tallest cell and knows the head
    // of its table.
    QList<PagedRow> layOut(const QList<PagedRow>& rows) const;

    // The rows of each page, by their index: a row that does not fit opens a
    // new page, and so does a heading or table head whose next row would not
    // fit. A table that goes on over a page starts it with its head again.
    static QList<QList<qsizetype>> paginate(const QList<PagedRow>& rows, double pageHeight);

    // Paints a text or table row laid out; a block is left to the report.
    void paint(QPainter& painter, const PagedRow& row, double top) const;

  private:
    struct Wrapped {
        QStringList lines;
        QList<double> advances;
    };
    Wrapped wrapped(const QString& text, int style, double width) const;
    double cellWidth(const PagedRow& row, qsizetype cell) const;

    QPaintDevice& m_device;
    QList<RowStyle> m_styles;
    QList<QFontMetricsF> m_metrics;
    double m_width;
    double m_lineSpacing;
    double m_padding;
    QPen m_rule;
};

// A report painted by `paint` as a PDF file of that title, written whole or not
// at all; raises a message when the name is refused, the painting fails or the
// file cannot be written.
void writeReportPdf(const QString& path, const OwnFiles& own, const QString& title,
                    const std::function<bool(QPagedPaintDevice&)>& paint);

}  // namespace ambitra
