#include "Label.h"

#include "InterfaceStyle.h"

#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

constexpr QChar kWordJoiner(0x2060);

bool isPlainText(const QLabel& label)
{
    return label.textFormat() == Qt::PlainText
        || (label.textFormat() == Qt::AutoText && !Qt::mightBeRichText(label.text()));
}

// A label that, when it wraps plain text, breaks its lines between words. Qt
// breaks Chinese between any two characters, which splits words such as
// 检查, 磁盘 or 保存 at a line's end.
class WordWrapLabel : public QLabel {
public:
    using QLabel::QLabel;

    bool hasHeightForWidth() const override { return wordWrap() ? true : QLabel::hasHeightForWidth(); }

    int heightForWidth(int width) const override
    {
        if (!wordWrap() || !isPlainText(*this))
            return QLabel::heightForWidth(width);
        const QMargins m = contentsMargins();
        const int lines = int(toolkit::wrappedLines(text(), font(), width - m.left() - m.right() - 2 * margin()).size());
        return lines * fontMetrics().lineSpacing() + m.top() + m.bottom() + 2 * margin();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (!wordWrap() || !isPlainText(*this)) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
        const QStringList lines = toolkit::wrappedLines(text(), font(), area.width());
        const int step = fontMetrics().lineSpacing();
        const int height = int(lines.size()) * step;
        const Qt::Alignment align = alignment();
        int y = area.top();
        if (align & Qt::AlignVCenter)
            y += (area.height() - height) / 2;
        else if (align & Qt::AlignBottom)
            y += area.height() - height;
        const Qt::Alignment across = (align & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
        for (const QString& line : lines) {
            style()->drawItemText(&painter, QRect(area.left(), y, area.width(), step), int(across), palette(),
                                  isEnabled(), line, foregroundRole());
            y += step;
        }
    }
};

} // namespace

namespace toolkit {

QString keepWordsTogether(const QString& text)
{
    if (text.size() < 2)
        return text;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> words(
        icu::BreakIterator::createWordInstance(icu::Locale::getSimplifiedChinese(), status));
    if (U_FAILURE(status) || !words)
        return text;
    const icu::UnicodeString unicode(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    words->setText(unicode);
    QString out;
    out.reserve(text.size() * 2);
    int32_t start = words->first();
    for (int32_t end = words->next(); end != icu::BreakIterator::DONE; start = end, end = words->next()) {
        for (int32_t i = start; i < end; ++i) {
            const QChar c = text.at(i);
            // Inside a word, between two of its characters (never inside a
            // surrogate pair, never next to a blank or a line break).
            if (i > start && !c.isLowSurrogate() && !c.isSpace() && !text.at(i - 1).isSpace())
                out += kWordJoiner;
            out += c;
        }
    }
    return out;
}

QStringList wrappedLines(const QString& text, const QFont& font, int width)
{
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        const QString joined = keepWordsTogether(paragraph);
        QTextLayout layout(joined, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(std::max(1, width));
        layout.endLayout();
        if (layout.lineCount() == 0)
            lines << QString();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            QString shown = joined.mid(line.textStart(), line.textLength());
            shown.remove(kWordJoiner);
            while (shown.endsWith(QLatin1Char(' ')))
                shown.chop(1);
            lines << shown;
        }
    }
    return lines;
}

QLabel* makeLabel(QWidget* parent, const QRect& frame, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment alignment)
{
    auto* label = new WordWrapLabel(parent);
    label->setGeometry(frame);
    label->setTextFormat(Qt::PlainText);
    // Inside a button a label would otherwise take the button's text colour.
    label->setForegroundRole(QPalette::WindowText);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setText(text);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setLabelColor(label, color);
    return label;
}

void setLabelColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void setTextWithBoldPart(QLabel* label, const QString& text, int boldStart, int boldLength, BoldPart look)
{
    if (boldStart < 0 || boldStart >= text.size()) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        return;
    }
    const QString shown = text.mid(boldStart, boldLength).toHtmlEscaped();
    QString part;
    if (look == BoldPart::LabelFont) {
        part = QStringLiteral("<b>") + shown + QStringLiteral("</b>");
    } else {
        const QFont bold = boldFont(14);
        part = QStringLiteral("<span style=\"font-family:'%1'; font-weight:700; font-size:14px; color:#ffffff;\">%2</span>")
                   .arg(bold.family().toHtmlEscaped(), shown);
    }
    label->setTextFormat(Qt::RichText);
    label->setText(text.left(boldStart).toHtmlEscaped() + part + text.mid(boldStart + boldLength).toHtmlEscaped());
}

} // namespace toolkit
