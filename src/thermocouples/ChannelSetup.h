#pragma once
#include "KilnState.h"
#include "Services.h"
#include "Texts.h"

#include <QPointF>
#include <QString>
#include <QVector>
#include <functional>

class QComboBox;
class QCustomPlot;
class QLineEdit;
class RadioGroup;

// The thermocouple page's controls and the chart the conversion curve is drawn on.
struct ChannelSetupView {
    QComboBox* TC_Index = nullptr;
    QLineEdit* TC_Name = nullptr;
    RadioGroup* ThermoCoupleType = nullptr;
    QLineEdit* TERM_Z = nullptr;
    QLineEdit* TERM_ZT = nullptr;
    QLineEdit* TERM_K = nullptr;
    QLineEdit* TERM_KT = nullptr;
    QLineEdit* MAXTEMP = nullptr;
    QCustomPlot* Chart3 = nullptr;  // four line series; the curve uses the first and the fourth
};

// The flag telling that the oven configuration was edited; it belongs to the oven file.
struct ChannelSetupHooks {
    std::function<bool()> ovenChanged;
    std::function<void(bool)> setOvenChanged;
};

// A channel's conversion curve: raw reading on x, temperature in °C on y.
struct TcCurve {
    QVector<QPointF> whole;    // from a little below 0 °C to a little above 1800 °C
    QVector<QPointF> between;  // the stretch between the two calibration readings
};

// The set-up of the eight thermocouple channels: name and type go straight into the
// channel's record; the four calibration fields are a working copy of the record that the
// capture keys (and the controller's calibration read) change and nothing copies back.
class ChannelSetup {
public:
    static constexpr int kChannels = 8;
    static constexpr double kDefaultCalibrationTemp = 100;
    // Beyond this many integer readings the curve takes every n-th one, so a calibration with
    // a very steep raw scale cannot stall the window.
    static constexpr long long kMaxCurvePoints = 20000;

    ChannelSetup(KilnState& state, const MessageSource& texts, Dialogs& dialogs, const ChannelSetupView& view,
                 ChannelSetupHooks hooks);

    // The reference temperature of the gain point, in °C.
    double CalibrationTemp = kDefaultCalibrationTemp;
    // From its settings text, with either decimal separator; no number keeps the default.
    void ReadCalibrationTemp(const QString& text);

    int channel() const;  // the selected channel, 1..8

    void TC_IndexChange();
    void TC_NameExit();
    void ThermoCoupleTypeClick();
    // A character typed in TERM_Z or TERM_K: a capital Latin C captures the calibration point
    // from channel 1's live reading, after a question, with the controller only.
    void TERM_ZKeyPress(QChar key);
    void TERM_KKeyPress(QChar key);
    void DrawTC();

    static TcCurve Curve(const ErrDevice& channel);

private:
    ErrDevice& record();
    void colorCalibrationFields(int type);
    bool captureAllowed(QChar key) const;
    bool confirmCapture(const QString& text);
    void setOvenChanged(bool changed);
    bool ovenChanged() const;

    KilnState& state_;
    const MessageSource& texts_;
    Dialogs& dialogs_;
    ChannelSetupView view_;
    ChannelSetupHooks hooks_;
};
