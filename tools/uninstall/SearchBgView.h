#pragma once
// The search box's background: a rounded rectangle of radius 4, 194 × 24,
// white at alpha 0.16.

#include <QWidget>

class SearchBgView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 194;
    static constexpr int kHeight = 24;

    explicit SearchBgView(QWidget* parent = nullptr);

    // Stored; the drawing does not depend on it.
    void setBeEenditing(bool editing);
    bool isEditing() const { return isEditing_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool isEditing_ = false;
};
