#pragma once
// The one way every screen and dialog makes a text label.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

class QLabel;
class QWidget;

namespace toolkit {

// A label at `frame` that shows `text` as plain text, never as markup, in
// `font` and `color`. It takes no pointer events (a press goes to what lies
// under it) and keeps its own colour inside a button. Given setWordWrap, its
// lines break between words (wrappedLines), never inside one such as 磁盘.
QLabel* makeLabel(QWidget* parent, const QRect& frame, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

// The text with a word joiner (U+2060) between the characters of each word,
// Chinese words found by the dictionary of ICU's word boundaries, so that a
// line may break only between words (or at a blank or punctuation).
QString keepWordsTogether(const QString& text);

// The lines a wrapping label of `width` shows `text` in: broken between
// words, a word longer than the width alone broken where it must; "\n"
// starts a new line. The lines hold the text's own characters.
QStringList wrappedLines(const QString& text, const QFont& font, int width);

// Sets a label's text colour.
void setLabelColor(QLabel* label, const QColor& color);

// How setTextWithBoldPart sets its part: in the bold interface font at 14
// points, white (the counters' ticked number), or in the label's own font,
// size and colour, only bold.
enum class BoldPart { CounterNumber, LabelFont };

// Shows `text` with the part [boldStart, boldStart + boldLength) in bold as
// `look` says; the text itself is never read as markup. A negative start
// shows it all plain.
void setTextWithBoldPart(QLabel* label, const QString& text, int boldStart, int boldLength,
                         BoldPart look = BoldPart::CounterNumber);

} // namespace toolkit
