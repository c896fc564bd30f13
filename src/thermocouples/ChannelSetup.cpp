#include "ChannelSetup.h"

#include "Numbers.h"
#include "TemperatureText.h"
#include "Thermocouple.h"
#include "Widgets.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <qcustomplot.h>
#include <utility>

namespace {

constexpr int kWholeSeries = 0;
constexpr int kBetweenSeries = 3;

// The calibration fields hold readings and °C as the channel record and the controller do,
// whatever scale the window shows temperatures in.
QString oneDecimal(double v) { return Numbers::formatFixed(v, 5, 1); }

bool converted(int type) { return type >= TypeK && type <= TypeLinear && type != TypeR && type != TypeB; }

}  // namespace

ChannelSetup::ChannelSetup(KilnState& state, const MessageSource& texts, Dialogs& dialogs, const ChannelSetupView& view,
                           ChannelSetupHooks hooks)
    : state_(state), texts_(texts), dialogs_(dialogs), view_(view), hooks_(std::move(hooks))
{
}

void ChannelSetup::ReadCalibrationTemp(const QString& text)
{
    CalibrationTemp = Numbers::parseDecimalOr(NormalizeDecimal(text), kDefaultCalibrationTemp);
}

int ChannelSetup::channel() const { return std::clamp(view_.TC_Index->currentIndex(), 0, kChannels - 1) + 1; }

ErrDevice& ChannelSetup::record() { return state_.Devices[channel()]; }

bool ChannelSetup::ovenChanged() const { return hooks_.ovenChanged && hooks_.ovenChanged(); }

void ChannelSetup::setOvenChanged(bool changed)
{
    if (hooks_.setOvenChanged)
        hooks_.setOvenChanged(changed);
}

void ChannelSetup::TC_IndexChange()
{
    // Looking at a channel is no edit of the configuration, even where its stored type is
    // replaced below.
    const bool changed = ovenChanged();
    const ErrDevice& d = record();
    view_.TC_Name->setText(d.Tc_Name);
    RadioGroup* type = view_.ThermoCoupleType;
    const int before = type->itemIndex();
    {
        const QSignalBlocker quiet(type);
        type->setItemIndex(d.Tc_Type);
    }
    // A type the group has no item for leaves nothing selected; the click handler mends it.
    if (type->itemIndex() != before || type->itemIndex() != d.Tc_Type)
        ThermoCoupleTypeClick();
    view_.TERM_Z->setText(Numbers::formatGeneral(d.Tc_z));
    view_.TERM_K->setText(Numbers::formatGeneral(d.Tc_k));
    view_.TERM_ZT->setText(Numbers::formatGeneral(d.Tc_zt));
    view_.TERM_KT->setText(Numbers::formatGeneral(d.Tc_kt));
    setOvenChanged(changed);
}

void ChannelSetup::TC_NameExit()
{
    ErrDevice& d = record();
    if (view_.TC_Name->text() == d.Tc_Name)
        return;
    d.Tc_Name = view_.TC_Name->text();
    setOvenChanged(true);
}

void ChannelSetup::ThermoCoupleTypeClick()
{
    RadioGroup* group = view_.ThermoCoupleType;
    // R and B have no conversion: they can be clicked but the linear type is what stays.
    const int type = converted(group->itemIndex()) ? group->itemIndex() : int(TypeLinear);
    if (type != group->itemIndex()) {
        const QSignalBlocker quiet(group);
        group->setItemIndex(type);
    }
    setOvenChanged(true);
    colorCalibrationFields(type);
    record().Tc_Type = type;
}

// The MAX31855 types use only ZT; the fields that take no part are greyed.
void ChannelSetup::colorCalibrationFields(int type)
{
    const bool converter = type == TypeMax31855K || type == TypeMax31855S;
    const QColor unused = converter ? Colors::Grey : Colors::Lime;
    Colors::setBackground(view_.TERM_Z, unused);
    Colors::setBackground(view_.TERM_K, unused);
    Colors::setBackground(view_.TERM_KT, unused);
    Colors::setBackground(view_.TERM_ZT, converter ? Colors::buttonFace() : Colors::Lime);
}

bool ChannelSetup::captureAllowed(QChar key) const { return key == QChar('C') && state_.InterfaceMode == 0; }

// Asks, and tells whether channel 1's reading may be taken: the answer of a question asked
// while that reading is faulty does not count.
bool ChannelSetup::confirmCapture(const QString& text)
{
    const bool yes = dialogs_.askYesNo(texts_.LS("MBWarning"), text);
    return yes && !state_.Devices[DeviceTable::kThermocouple].Error;
}

void ChannelSetup::TERM_ZKeyPress(QChar key)
{
    if (!captureAllowed(key))
        return;
    if (!confirmCapture(texts_.LS("MBCalibrateZHint")))
        return;
    view_.TERM_Z->setText(oneDecimal(state_.Devices[DeviceTable::kThermocouple].Raw));
}

void ChannelSetup::TERM_KKeyPress(QChar key)
{
    if (!captureAllowed(key))
        return;
    const QString text =
        texts_.LS("MBCalibrateKHint1") + state_.Temps.TermSdeg(CalibrationTemp) + texts_.LS("MBCalibrateKHint2");
    if (!confirmCapture(text))
        return;
    view_.TERM_K->setText(oneDecimal(state_.Devices[DeviceTable::kThermocouple].Raw));
    view_.TERM_KT->setText(oneDecimal(CalibrationTemp));
    view_.TERM_ZT->setText(oneDecimal(state_.outsideTemp()));
}

TcCurve ChannelSetup::Curve(const ErrDevice& channel)
{
    TcCurve curve;
    bool validLo = false, validHi = false;
    const double rawLo = TempToRaw(channel, 0, 0, &validLo);
    const double rawHi = TempToRaw(channel, 1800, 0, &validHi);
    if (!validLo || !validHi || std::fabs(rawLo) > 1e15 || std::fabs(rawHi) > 1e15)
        return curve;
    const long long lo = (long long)std::nearbyint(rawLo) - 10;
    const long long hi = (long long)std::nearbyint(rawHi) + 10;
    if (hi < lo)
        return curve;
    const long long z = (long long)std::nearbyint(std::clamp(channel.Tc_z, -1e15, 1e15));
    const long long k = (long long)std::nearbyint(std::clamp(channel.Tc_k, -1e15, 1e15));
    const long long stride = (hi - lo) / kMaxCurvePoints + 1;
    curve.whole.reserve(qsizetype((hi - lo) / stride + 1));
    for (long long i = lo; i <= hi; i += stride) {
        bool valid = false;
        const double t = RawToTemp(channel, double(i), 0, &valid);
        if (!valid)
            continue;
        const QPointF p(double(i), t);
        if (z <= i && i <= k)
            curve.between.append(p);
        curve.whole.append(p);
    }
    return curve;
}

void ChannelSetup::DrawTC()
{
    QCustomPlot* plot = view_.Chart3;
    for (int s = 0; s < plot->graphCount(); ++s)
        plot->graph(s)->data()->clear();
    plot->xAxis->setLabel("# (Z, K)");
    EditValue(view_.MAXTEMP, 1000);  // only its colour is refreshed
    // The x axis counts readings here, not time.
    plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    const TcCurve curve = Curve(record());
    const TemperatureScale& scale = state_.Temps;
    const auto fill = [&](int series, const QVector<QPointF>& points) {
        if (series >= plot->graphCount())
            return;
        QVector<QCPGraphData> data;
        data.reserve(points.size());
        for (const QPointF& p : points)
            data.append(QCPGraphData(p.x(), scale.TX(p.y())));
        plot->graph(series)->data()->set(data, true);
    };
    fill(kWholeSeries, curve.whole);
    fill(kBetweenSeries, curve.between);
    if (!curve.whole.isEmpty())
        plot->rescaleAxes();
    plot->replot(QCustomPlot::rpQueuedReplot);
}
