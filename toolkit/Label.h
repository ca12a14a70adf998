#pragma once
// The one way every screen and dialog makes a text label.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace toolkit {

// A label at `frame` that shows `text` as plain text, never as markup, in
// `font` and `color`. It takes no pointer events (a press goes to what lies
// under it) and keeps its own colour inside a button.
QLabel* makeLabel(QWidget* parent, const QRect& frame, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

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
