#pragma once
#include "LivePageSettings.h"

#include <QGroupBox>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The live page's settings on the Options tab, in two rows for want of room: on/off in the
// title, this computer or the studio network, port, access code, Apply, and what became of the
// last Apply (the address to type into the phone, or why it does not serve).
class LivePageGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit LivePageGroup(QWidget* parent = nullptr);

    void setSettings(const LivePageSettings& settings);
    LivePageSettings settings() const;
    // The address to type, or a problem (shown in red); `explained` is its tooltip.
    void showOutcome(const QString& text, const QString& explained, bool problem);

    QLabel* LivePagePortLabel = nullptr;
    QSpinBox* LivePagePort = nullptr;
    QRadioButton* LivePageLocal = nullptr;
    QRadioButton* LivePageNetwork = nullptr;
    QLabel* LivePageCodeLabel = nullptr;
    QLineEdit* LivePageCode = nullptr;
    QPushButton* LivePageApply = nullptr;
    QLineEdit* outcome = nullptr;  // no caption of its own: set by each Apply, can be copied

signals:
    void applyClicked();
};
