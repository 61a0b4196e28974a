#include "sheetpdf.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <numeric>

using namespace tubrix;

namespace {

// Positions are in the writer's device units: 1200 per inch.
constexpr double Resolution = 1200;

double Mm(double millimetres) {
    return millimetres * Resolution / 25.4;
}

constexpr double Margin = 12;       // mm around the page
constexpr double HeaderHeight = 10; // mm from the top margin to the body
constexpr double SectionGap = 5;    // mm before each section's heading
constexpr double CellPadding = 1.5; // mm either side of a table cell's text
constexpr int SequenceColumns = 4;  // small pictures across the page

enum FontRole { TitleFont, HeadingFont, BodyFont, BoldFont, SmallFont, FontCount };

// One thing drawn on a page: a text in a box, a picture, a rule or a shaded band.
struct Ink {
    enum Kind { Text, Picture, Rule, Band } What = Text;
    QRectF Box;
    QString Words;
    FontRole Font = BodyFont;
    int Align = Qt::AlignLeft | Qt::AlignVCenter;
    const QImage* Image = nullptr;
};

using Page = std::vector<Ink>;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Lays out the body of the pages top to bottom, starting a page when the next piece would not
// fit; the header is drawn later, when the number of pages is known.
class Flow {
public:
    Flow(QRectF body, const std::array<QFont, FontCount>& fonts, QPaintDevice& device)
        : Body(body), Fonts(fonts), Device(device), Y(body.top()), Pages(1) {}

    std::vector<Page> Finish() { return std::move(Pages); }

    double LineHeight(FontRole font) const {
        return QFontMetricsF(Fonts[font], &Device).height() * 1.25;
    }
    double TextWidth(FontRole font, const QString& text) const {
        return QFontMetricsF(Fonts[font], &Device).horizontalAdvance(text);
    }
    double Width() const { return Body.width(); }

    // Room for `height` on this page, else a new page (never for a piece taller than a page).
    void Need(double height) {
        if (Y + height > Body.bottom() && Y > Body.top()) {
            Pages.emplace_back();
            Y = Body.top();
        }
    }

    void Heading(const std::string& text, double after) {
        const double gap = Y > Body.top() ? Mm(SectionGap) : 0;
        Need(gap + LineHeight(HeadingFont) + after);
        Y += gap;
        Put(Ink::Text, QRectF(Body.left(), Y, Body.width(), LineHeight(HeadingFont)), Q(text),
            HeadingFont);
        Y += LineHeight(HeadingFont);
    }

    void Put(Ink::Kind kind, QRectF box, QString words = {}, FontRole font = BodyFont,
             int align = Qt::AlignLeft | Qt::AlignVCenter, const QImage* image = nullptr) {
        Pages.back().push_back({kind, box, std::move(words), font, align, image});
    }

    QRectF Body;
    const std::array<QFont, FontCount>& Fonts;
    QPaintDevice& Device;
    double Y;

private:
    std::vector<Page> Pages;
};

void LayFacts(Flow& flow, const SetupSheet& sheet) {
    flow.Heading(sheet.PartTitle, flow.LineHeight(BodyFont));
    // Two columns of label and value, filled row by row; an odd last fact has the whole line.
    double labelWidth = 0;
    for (const SheetFact& fact : sheet.Part) {
        labelWidth = std::max(labelWidth, flow.TextWidth(BoldFont, Q(fact.Label)));
    }
    labelWidth += Mm(3);
    const double column = flow.Width() / 2;
    const double line = flow.LineHeight(BodyFont);
    for (std::size_t i = 0; i < sheet.Part.size(); i += 2) {
        flow.Need(line);
        for (std::size_t k = i; k < std::min(i + 2, sheet.Part.size()); ++k) {
            const double x = flow.Body.left() + column * static_cast<double>(k - i);
            flow.Put(Ink::Text, QRectF(x, flow.Y, labelWidth, line), Q(sheet.Part[k].Label),
                     BoldFont);
            const double room = (i + 1 == sheet.Part.size() ? 2 * column : column) - labelWidth;
            flow.Put(Ink::Text, QRectF(x + labelWidth, flow.Y, room, line), Q(sheet.Part[k].Value));
        }
        flow.Y += line;
    }
}

void LayPictures(Flow& flow, const std::vector<SheetPicture>& pictures) {
    if (pictures.empty()) {
        return;
    }
    const double gap = Mm(4);
    const auto count = static_cast<double>(pictures.size());
    const double width = (flow.Width() - gap * (count - 1)) / count;
    double height = 0;
    for (const SheetPicture& picture : pictures) {
        height = std::max(height, width * picture.Image.height() / picture.Image.width());
    }
    const double caption = flow.LineHeight(SmallFont);
    flow.Y += Mm(3);
    flow.Need(height + caption);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const double x = flow.Body.left() + (width + gap) * static_cast<double>(i);
        const QRectF box(x, flow.Y, width,
                         width * pictures[i].Image.height() / pictures[i].Image.width());
        flow.Put(Ink::Picture, box, {}, BodyFont, 0, &pictures[i].Image);
        flow.Put(Ink::Text, QRectF(x, flow.Y + height, width, caption), Q(pictures[i].Caption),
                 SmallFont, Qt::AlignHCenter | Qt::AlignVCenter);
    }
    flow.Y += height + caption;
}

void LayTable(Flow& flow, const SheetTable& table, const std::string& continued) {
    const std::size_t columns = table.Heads.size();
    std::vector<double> widths(columns, 0);
    for (std::size_t c = 0; c < columns; ++c) {
        widths[c] = flow.TextWidth(BoldFont, Q(table.Heads[c]));
        for (const auto& row : table.Rows) {
            widths[c] = std::max(widths[c], flow.TextWidth(BodyFont, Q(row[c])));
        }
        widths[c] += 2 * Mm(CellPadding);
    }
    // Narrow tables keep a sensible width; no table is wider than the page.
    const double natural = std::accumulate(widths.begin(), widths.end(), 0.0);
    const double wanted = std::clamp(natural, std::min(flow.Width(), Mm(100)), flow.Width());
    for (double& width : widths) {
        width *= wanted / natural;
    }
    // The first column names the row; columns of numbers line up on the right, words on the
    // left.
    std::vector<int> aligns(columns, Qt::AlignLeft | Qt::AlignVCenter);
    for (std::size_t c = 1; c < columns; ++c) {
        const bool numbers =
            std::all_of(table.Rows.begin(), table.Rows.end(), [c](const auto& row) {
                return row[c].empty() ||
                       row[c].find_first_not_of("0123456789.-+e, ") == std::string::npos ||
                       row[c].rfind("\u2014", 0) == 0;
            });
        if (numbers) {
            aligns[c] = Qt::AlignRight | Qt::AlignVCenter;
        }
    }
    const double line = flow.LineHeight(BodyFont);
    const auto row = [&](const std::vector<std::string>& cells, FontRole font) {
        double x = flow.Body.left();
        for (std::size_t c = 0; c < columns; ++c) {
            const int align = aligns[c];
            flow.Put(Ink::Text,
                     QRectF(x + Mm(CellPadding), flow.Y, widths[c] - 2 * Mm(CellPadding), line),
                     Q(cells[c]), font, align);
            x += widths[c];
        }
        flow.Y += line;
    };
    const auto heads = [&](const std::string& title) {
        flow.Heading(title, 2 * line);
        row(table.Heads, BoldFont);
        flow.Put(Ink::Rule, QRectF(flow.Body.left(), flow.Y, wanted, 0));
    };
    if (table.Rows.empty()) {
        flow.Heading(table.Title, line);
        flow.Put(Ink::Text, QRectF(flow.Body.left(), flow.Y, flow.Width(), line),
                 Q(table.WhenEmpty));
        flow.Y += line;
        return;
    }
    heads(table.Title);
    for (std::size_t r = 0; r < table.Rows.size(); ++r) {
        const double before = flow.Y;
        flow.Need(line);
        if (flow.Y < before) {
            heads(table.Title + continued);
        }
        if (r % 2 == 1) {
            flow.Put(Ink::Band, QRectF(flow.Body.left(), flow.Y, wanted, line));
        }
        row(table.Rows[r], BodyFont);
    }
}

void LaySequence(Flow& flow, const SetupSheet& sheet) {
    if (sheet.SequenceTitle.empty()) {
        return;
    }
    if (sheet.Sequence.empty()) {
        const double line = flow.LineHeight(BodyFont);
        flow.Heading(sheet.SequenceTitle, line);
        flow.Put(Ink::Text, QRectF(flow.Body.left(), flow.Y, flow.Width(), line),
                 Q(sheet.SequenceNote));
        flow.Y += line;
        return;
    }
    const double gap = Mm(3);
    const double width = (flow.Width() - gap * (SequenceColumns - 1)) / SequenceColumns;
    const QImage& first = sheet.Sequence.front().Image;
    const double pictureHeight =
        first.isNull() ? 0 : width * first.height() / std::max(first.width(), 1);
    std::size_t lines = 0;
    for (const SheetCell& cell : sheet.Sequence) {
        lines = std::max(lines, cell.Lines.size());
    }
    const double line = flow.LineHeight(SmallFont);
    const double height = pictureHeight + line * static_cast<double>(lines);
    flow.Heading(sheet.SequenceTitle, height);
    for (std::size_t i = 0; i < sheet.Sequence.size(); ++i) {
        const std::size_t column = i % SequenceColumns;
        if (column == 0) {
            // A gap between rows of cells, none under the last.
            flow.Y += i > 0 ? gap : 0;
            flow.Need(height);
        }
        const SheetCell& cell = sheet.Sequence[i];
        const double x = flow.Body.left() + (width + gap) * static_cast<double>(column);
        if (!cell.Image.isNull()) {
            flow.Put(Ink::Picture, QRectF(x, flow.Y, width, pictureHeight), {}, BodyFont, 0,
                     &cell.Image);
        }
        for (std::size_t k = 0; k < cell.Lines.size(); ++k) {
            flow.Put(Ink::Text,
                     QRectF(x, flow.Y + pictureHeight + line * static_cast<double>(k), width, line),
                     Q(cell.Lines[k]), SmallFont, Qt::AlignHCenter | Qt::AlignVCenter);
        }
        if (column == SequenceColumns - 1 || i + 1 == sheet.Sequence.size()) {
            flow.Y += height;
        }
    }
}

void DrawInk(QPainter& painter, const Ink& ink, const std::array<QFont, FontCount>& fonts) {
    switch (ink.What) {
    case Ink::Text:
        painter.setFont(fonts[ink.Font]);
        painter.drawText(ink.Box, ink.Align | Qt::TextDontClip, ink.Words);
        break;
    case Ink::Picture:
        painter.drawImage(ink.Box, *ink.Image);
        painter.setPen(QPen(Qt::gray, Mm(0.2)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(ink.Box);
        break;
    case Ink::Rule:
        painter.setPen(QPen(Qt::black, Mm(0.25)));
        painter.drawLine(ink.Box.topLeft(), ink.Box.topRight());
        break;
    case Ink::Band:
        painter.fillRect(ink.Box, QColor(236, 236, 236));
        break;
    }
    painter.setPen(Qt::black);
}

void DrawHeader(QPainter& painter, const SetupSheet& sheet, QRectF page, int number, int count,
                const std::array<QFont, FontCount>& fonts) {
    const QRectF band(page.left(), page.top(), page.width(), Mm(HeaderHeight - 4));
    painter.setFont(fonts[TitleFont]);
    painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, Q(sheet.Title));
    painter.setFont(fonts[BodyFont]);
    if (!sheet.Machine.empty()) {
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter,
                         Q(sheet.MachineLabel) + Q(sheet.Machine));
    }
    painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                     Q(sheet.PageLabel).arg(number).arg(count));
    painter.setPen(QPen(Qt::black, Mm(0.35)));
    painter.drawLine(band.bottomLeft(), band.bottomRight());
    painter.setPen(Qt::black);
}

std::array<QFont, FontCount> SheetFonts() {
    const QString family = QStringLiteral("DejaVu Sans");
    std::array<QFont, FontCount> fonts{QFont(family, 13, QFont::Bold),
                                       QFont(family, 11, QFont::Bold), QFont(family, 9),
                                       QFont(family, 9, QFont::Bold), QFont(family, 7)};
    // No ligatures: "fi" stays two letters, so a reader that searches the sheet for "findings"
    // finds it.
    for (QFont& font : fonts) {
        font.setStyleStrategy(QFont::PreferNoShaping);
    }
    return fonts;
}

} // namespace

tubrix::Result<void> WriteSetupSheetPdf(const SetupSheet& sheet, SheetPaper paper,
                                        QIODevice& device) {
    QPdfWriter writer(&device);
    writer.setResolution(static_cast<int>(Resolution));
    writer.setCreator(QStringLiteral("Tubrix"));
    writer.setTitle(Q(sheet.Title));
    const QPageSize size(paper == SheetPaper::Letter ? QPageSize::Letter : QPageSize::A4);
    writer.setPageLayout(
        QPageLayout(size, QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter));
    const QRectF paperRect(0, 0, Mm(size.size(QPageSize::Millimeter).width()),
                           Mm(size.size(QPageSize::Millimeter).height()));
    const QRectF page = paperRect.adjusted(Mm(Margin), Mm(Margin), -Mm(Margin), -Mm(Margin));
    const QRectF body = page.adjusted(0, Mm(HeaderHeight), 0, 0);
    const std::array<QFont, FontCount> fonts = SheetFonts();

    Flow flow(body, fonts, writer);
    LayFacts(flow, sheet);
    LayPictures(flow, sheet.Pictures);
    for (const SheetTable& table : sheet.Tables) {
        LayTable(flow, table, sheet.Continued);
    }
    LaySequence(flow, sheet);
    const std::vector<Page> pages = flow.Finish();

    QPainter painter;
    if (!painter.begin(&writer)) {
        return Failed("the PDF could not be started");
    }
    for (std::size_t k = 0; k < pages.size(); ++k) {
        if (k > 0 && !writer.newPage()) {
            return Failed("the PDF could not take another page");
        }
        DrawHeader(painter, sheet, page, static_cast<int>(k + 1), static_cast<int>(pages.size()),
                   fonts);
        for (const Ink& ink : pages[k]) {
            DrawInk(painter, ink, fonts);
        }
    }
    if (!painter.end()) {
        return Failed("the PDF could not be finished");
    }
    return {};
}
