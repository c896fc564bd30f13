#pragma once
#include <QWidget>

class QToolButton;

// A pair of small arrow buttons stacked on top of each other, placed beside a number field.
class SpinButton : public QWidget {
    Q_OBJECT
public:
    explicit SpinButton(QWidget* parent = nullptr);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

    QSize sizeHint() const override;

signals:
    void upClicked();
    void downClicked();

private:
    QToolButton* up_;
    QToolButton* down_;
};
