#include "ModelCheck.h"

#include "TemperatureText.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kLongestStepSeconds = 10;  // the explicit model step stays accurate below this

struct Line {
    double level = 0;  // at the time asked for
    double rise = 0;   // °C per second
};

// The straight line through the readings between `from` and `to`, taken at `at`; none when
// the readings cover less than `cover` of that span (missing readings, or a window not yet full).
template <typename Samples>
std::optional<Line> lineThrough(const Samples& samples, double from, double to, double at, double cover)
{
    double n = 0, st = 0, sk = 0, stt = 0, stk = 0;
    double first = to, last = from;
    for (const auto& s : samples) {
        if (!s.kiln || s.seconds < from || s.seconds > to)
            continue;
        const double t = s.seconds - at;
        n += 1;
        st += t;
        sk += *s.kiln;
        stt += t * t;
        stk += t * *s.kiln;
        first = std::min(first, s.seconds);
        last = std::max(last, s.seconds);
    }
    const double det = n * stt - st * st;
    if (n < 5 || last - first < cover * (to - from) || !(det > 0))
        return std::nullopt;
    const double rise = (n * stk - st * sk) / det;
    return Line{(sk - rise * st) / n, rise};
}

// Seconds of [a, b] within [from, to].
double overlap(double a, double b, double from, double to) { return std::max(0.0, std::min(b, to) - std::max(a, from)); }

std::optional<double> celsius(const std::optional<TemperatureScale>& scale, const std::optional<double>& v)
{
    if (!scale || !v || !std::isfinite(*v))
        return std::nullopt;
    return scale->Celsius(*v);
}

}  // namespace

ModelCheck::ModelCheck(const MessageSource& texts, EventLogWriter& log, std::function<ModelFactors()> factors)
    : texts_(texts), log_(log), factors_(std::move(factors))
{
}

void ModelCheck::begin(const ModelFactors& f)
{
    model_ = f;
    samples_.clear();
    last_.reset();
    behindSince_.reset();
    aheadSince_.reset();
    toldBehind_ = toldAhead_ = false;
}

ModelCheck::Verdict ModelCheck::feed(const ModelCheckReading& r)
{
    keep(r);
    if (!r.kiln)
        return Verdict::None;
    last_ = compare();
    if (!last_) {
        behindSince_.reset();
        aheadSince_.reset();
        return Verdict::None;
    }
    return judge(*last_);
}

// A clock that stands, runs back or leaps leaves no window to compare over.
void ModelCheck::keep(const ModelCheckReading& r)
{
    if (!samples_.empty()) {
        const double step = r.seconds - samples_.back().seconds;
        if (!(step > 0) || step > kLongestGapSeconds) {
            samples_.clear();
            behindSince_.reset();
            aheadSince_.reset();
        }
    }
    if (r.outside && std::isfinite(*r.outside))
        outside_ = *r.outside;
    std::optional<double> kiln;
    if (r.kiln && std::isfinite(*r.kiln))
        kiln = r.kiln;
    samples_.push_back({r.seconds, kiln, std::clamp(r.power, 0.0, 100.0), outside_});
    const double oldest = r.seconds - (kWindowMinutes + kFitMinutes) * 60;
    while (samples_.size() >= 2 && samples_[1].seconds <= oldest)
        samples_.pop_front();
}

std::optional<ModelCheckWindow> ModelCheck::compare() const
{
    if (!model_.usable() || samples_.empty())
        return std::nullopt;
    const double now = samples_.back().seconds;
    const double start = now - kWindowMinutes * 60;
    const double fit = kFitMinutes * 60;
    // The start is seen from both sides, so that its rise is the rise there; the end only from before.
    const std::optional<Line> from = lineThrough(samples_, start - fit, start + fit, start, 0.75);
    const std::optional<Line> to = lineThrough(samples_, now - fit, now, now, 0.75);
    if (!from || !to)
        return std::nullopt;

    ModelCheckWindow w;
    double heater = HeaterFromChamberRate(model_, from->level, from->rise), chamber = from->level;
    double energy = 0, seatEnergy = 0, seatSeconds = 0;
    for (std::size_t k = 1; k < samples_.size(); ++k) {
        const Sample& a = samples_[k - 1];
        const double atSeat = overlap(a.seconds, samples_[k].seconds, start - fit, start + fit);
        seatEnergy += a.power * atSeat;
        seatSeconds += atSeat;
        double left = samples_[k].seconds - std::max(a.seconds, start);
        if (left <= 0)
            continue;
        energy += a.power * left;
        while (left > 0) {
            const double dt = std::min(left, kLongestStepSeconds);
            ModelStep(heater, chamber, a.outside, model_.r, model_.i, model_.p, dt, a.power);
            left -= dt;
        }
    }
    w.kiln = to->level;
    w.model = chamber;
    w.meanPower = energy / (now - start);
    w.seatPower = seatSeconds > 0 ? seatEnergy / seatSeconds : w.meanPower;
    return w;
}

ModelCheck::Verdict ModelCheck::judge(const ModelCheckWindow& w)
{
    const double ahead = w.kiln - w.model;
    const bool behind = w.meanPower >= kHighPower && w.meanPower >= w.seatPower - kPowerStep && -ahead >= kBehindC;
    const bool hot = w.meanPower <= kLowPower && w.meanPower <= w.seatPower + kPowerStep && ahead >= kAheadC;
    const bool behindStands = hold(behindSince_, behind);
    const bool aheadStands = hold(aheadSince_, hot);
    if (behindStands && !toldBehind_) {
        toldBehind_ = true;
        return Verdict::Behind;
    }
    if (aheadStands && !toldAhead_) {
        toldAhead_ = true;
        return Verdict::Ahead;
    }
    return Verdict::None;
}

bool ModelCheck::hold(std::optional<double>& since, bool verdict) const
{
    if (!verdict) {
        since.reset();
        return false;
    }
    const double now = samples_.back().seconds;
    if (!since)
        since = now;
    return now - *since >= kHoldMinutes * 60;
}

QString ModelCheck::notice() const
{
    QStringList told;
    for (const WarningReport& w : warnings())
        told << w.text;
    return told.join("  ");
}

std::vector<WarningReport> ModelCheck::warnings() const
{
    std::vector<WarningReport> told;
    if (!firing_)
        return told;
    if (toldBehind_)
        told.push_back({"model_behind", texts_.LS("ModelCheckBehind")});
    if (toldAhead_)
        told.push_back({"model_ahead", texts_.LS("ModelCheckAhead")});
    return told;
}

void ModelCheck::cycleReported(const CycleReport& report)
{
    const bool firing = report.firing();
    if (firing && !firing_)
        begin(factors_ ? factors_() : ModelFactors{});
    firing_ = firing;
    if (!firing)
        return;
    const std::optional<TemperatureScale> scale = TemperatureScale::ofUnit(report.unit);
    ModelCheckReading r;
    // The recording's clock runs on the monotonic clock; before it begins, the kiln clock serves.
    r.seconds = report.recordSeconds ? *report.recordSeconds : report.time.toMSecsSinceEpoch() / 1000.0;
    if (report.data) {
        r.kiln = celsius(scale, report.kilnTemp);
        r.outside = celsius(scale, report.outsideTemp);
    }
    r.power = report.power;
    const Verdict v = feed(r);
    if (v != Verdict::None && scale)
        tell(v, *scale);
}

void ModelCheck::tell(Verdict v, const TemperatureScale& scale)
{
    const QString figures = " " + scale.TermSdeg(last_->kiln) + " / " + scale.TermSdeg(last_->model);
    if (v == Verdict::Behind)
        log_.TLogLS("ModelCheckLogBehind", figures);
    else
        log_.TLogLS("ModelCheckLogAhead", figures);
}
