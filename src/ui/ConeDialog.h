#pragma once
#include "ConeProgram.h"
#include "ConeTable.h"
#include "TemperatureText.h"
#include "Texts.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// Gathers the choices for a firing to a pyrometric cone: the cone, the speed, an optional
// candling hold and the final hold. Temperatures are shown and typed in the display scale.
// "Write to the table" reports the choice through programChosen and closes the dialog; the
// window makes the program. With a cone table that could not be read the dialog says why
// and offers nothing to write.
class ConeDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCandlingLowest = 50;    // °C
    static constexpr int kCandlingHighest = 200;  // °C
    static constexpr int kCandlingDefault = 90;   // °C
    static constexpr int kLongestHold = 24 * 60;  // minutes
    static inline const QString kDefaultCone = "04";

    ConeDialog(ConeTable table, const TemperatureScale& scale, const MessageSource& texts,
               QWidget* parent = nullptr);

    // The choice as the controls stand; its cone is empty without a cone table.
    ConeChoice choice() const;

    QComboBox* cone = nullptr;
    QComboBox* speed = nullptr;
    QCheckBox* candling = nullptr;
    QSpinBox* candlingTemp = nullptr;  // display scale
    QSpinBox* candlingMinutes = nullptr;
    QSpinBox* holdMinutes = nullptr;
    QLabel* summary = nullptr;  // end temperature, last rate, firing time
    QLabel* error = nullptr;    // why there is no cone table
    QPushButton* write = nullptr;
    QPushButton* cancel = nullptr;

signals:
    void programChosen(const ConeChoice& choice);

private:
    void buildControls();
    void fillCones();
    void showSummary();
    // Whole display-scale degrees with the unit: a temperature, or a difference (a range,
    // a rate per hour).
    QString degrees(double celsius, bool difference = false) const;

    const ConeTable table_;
    const TemperatureScale& scale_;
    const MessageSource& texts_;
};
