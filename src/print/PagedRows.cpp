#include "print/PagedRows.h"

#include "core/common/Error.h"
#include "core/common/OutputFile.h"

#include <QDir>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>

namespace ambitra {

PagedRows::PagedRows(QPaintDevice& device, const QList<RowStyle>& styles, double width,
                     double lineSpacing, double padding, const QPen& rule)
    : m_device(device),
      m_styles(styles),
      m_width(width),
      m_lineSpacing(lineSpacing),
      m_padding(padding),
      m_rule(rule) {
    for (const RowStyle& s : m_styles) {
        m_metrics.append(QFontMetricsF(s.font, &device));
    }
}

// The lines of a text in that width, each with its advance: broken between
// words, or inside a word longer than the width, so that nothing is ever cut
// off. Most cells fit on one line, measured without a layout.
PagedRows::Wrapped PagedRows::wrapped(const QString& text, int style, double width) const {
    const double advance = metrics(style).horizontalAdvance(text);
    if (advance <= width) {
        return {{text}, {advance}};
    }
    QTextLayout layout(text, font(style), &m_device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    Wrapped result;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(width, 1.0));
        result.lines << text.mid(line.textStart(), line.textLength()).trimmed();
        result.advances << line.naturalTextWidth();
    }
    layout.endLayout();
    if (result.lines.isEmpty()) {
        result.lines << QString();
        result.advances << 0;
    }
    return result;
}

double PagedRows::cellWidth(const PagedRow& row, qsizetype cell) const {
    return m_width * row.columns->widths.value(cell) - 2 * m_padding;
}

QList<PagedRow> PagedRows::layOut(const QList<PagedRow>& rows) const {
    QList<PagedRow> laid;
    laid.reserve(rows.size());
    qsizetype head = -1;
    for (PagedRow row : rows) {
        const RowStyle& style = m_styles[row.style];
        const double line = this->line(row.style);
        if (style.kind == RowStyle::TableHead) {
            head = laid.size();
        } else if (style.kind != RowStyle::TableRow) {
            head = -1;
        }
        if (style.kind == RowStyle::Block) {
            row.height = line * style.extra;
            laid.append(row);
            continue;
        }
        if (style.kind == RowStyle::Paragraph || style.kind == RowStyle::Lines) {
            const double indent = m_width * style.indent;
            const QStringList lines =
                wrapped(row.cells.value(0), row.style, m_width - indent * 2).lines;
            for (qsizetype i = 0; i < lines.size(); ++i) {
                PagedRow part = row;
                part.lines = {QStringList{lines[i]}};
                part.above = i == 0 ? metrics(row.style).height() * style.above : 0;
                part.height = part.above + line;
                part.keepWithNext =
                    row.keepWithNext || (style.kind == RowStyle::Lines && i + 1 < lines.size());
                laid.append(part);
            }
            continue;
        }
        qsizetype most = 1;
        for (qsizetype c = 0; c < row.cells.size(); ++c) {
            Wrapped cell = wrapped(row.cells[c], row.style, cellWidth(row, c));
            most = std::max(most, cell.lines.size());
            row.lines.append(std::move(cell.lines));
            row.advances.append(std::move(cell.advances));
        }
        row.height = line * (static_cast<double>(most) + style.extra);
        row.head = style.kind == RowStyle::TableRow ? head : -1;
        laid.append(row);
    }
    return laid;
}

QList<QList<qsizetype>> PagedRows::paginate(const QList<PagedRow>& rows, double pageHeight) {
    QList<QList<qsizetype>> pages(1);
    double used = 0;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        double needed = rows[i].height;
        for (qsizetype j = i; j + 1 < rows.size() && rows[j].keepWithNext; ++j) {
            needed += rows[j + 1].height;
        }
        // A chain of rows kept together that no page holds parts where it must.
        const bool chainFits = needed <= pageHeight;
        if (used > 0 && used + (chainFits ? needed : rows[i].height) > pageHeight) {
            pages.append(QList<qsizetype>());
            used = 0;
            if (rows[i].head >= 0) {
                pages.last().append(rows[i].head);
                used += rows[rows[i].head].height;
            }
        }
        pages.last().append(i);
        used += rows[i].height;
    }
    return pages;
}

void PagedRows::paint(QPainter& painter, const PagedRow& row, double top) const {
    const RowStyle& style = m_styles[row.style];
    if (style.kind == RowStyle::Block) {
        return;
    }
    painter.setFont(style.font);
    painter.setPen(Qt::black);
    const double line = this->line(row.style);
    const double lineTop = top + row.above;
    if (row.columns == nullptr) {
        const double indent = m_width * style.indent;
        if (style.ruleAbove) {
            painter.drawLine(QPointF(indent, lineTop), QPointF(m_width - indent, lineTop));
        }
        painter.drawText(QRectF(indent, lineTop, m_width - indent * 2, line),
                         style.across | Qt::AlignVCenter, row.lines.value(0).value(0));
        return;
    }
    if (style.fill.isValid()) {
        painter.fillRect(QRectF(0, top, m_width, row.height), style.fill);
    }
    if (style.ruleAbove) {
        painter.drawLine(QPointF(0, top), QPointF(m_width, top));
    }
    // Each line drawn at its baseline, placed by the advance measured when it
    // was laid out: a long list costs one shaping per line here.
    const QFontMetricsF& metrics = this->metrics(row.style);
    const double baseline = (line + metrics.ascent() - metrics.descent()) / 2;
    double left = 0;
    for (qsizetype c = 0; c < row.cells.size(); ++c) {
        const bool figure = row.columns->figures.value(c);
        const QStringList& lines = row.lines[c];
        const double cell = cellWidth(row, c);
        for (qsizetype l = 0; l < lines.size(); ++l) {
            const double x = left + m_padding + (figure ? cell - row.advances[c][l] : 0);
            painter.drawText(QPointF(x, lineTop + line * static_cast<double>(l) + baseline),
                             lines[l]);
        }
        left += m_width * row.columns->widths.value(c);
    }
    if (style.ruleBelow) {
        painter.setPen(m_rule);
        painter.drawLine(QPointF(0, top + row.height), QPointF(m_width, top + row.height));
    }
}

void writeReportPdf(const QString& path, const OwnFiles& own, const QString& title,
                    const std::function<bool(QPagedPaintDevice&)>& paint) {
    const QString unableToWrite =
        QStringLiteral("Não foi possível gravar o arquivo %1!").arg(QDir::toNativeSeparators(path));
    OutputFile file(path, own);
    if (!file.open()) {
        throw Error(unableToWrite);
    }
    bool painted = false;
    {
        QPdfWriter writer(&file.device());
        writer.setCreator(QStringLiteral("Ambitra PC"));
        writer.setTitle(title);
        painted = paint(writer);
    }
    if (!painted || !file.commit()) {
        throw Error(unableToWrite);
    }
}

}  // namespace ambitra
