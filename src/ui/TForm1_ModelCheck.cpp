// The kiln's model run alongside the firing: its warnings go to the log, stand with the forecast
// and ride on the cycle's report.
#include "TForm1.h"

void TForm1::createModelCheck()
{
    // The factors as they stand when the firing begins: a fit during the firing is for the next one.
    modelCheck = std::make_unique<ModelCheck>(texts, *log,
                                              [this] { return SimulatorView{MODEL_P, MODEL_I, MODEL_R}.factors(); });
    observers->add(modelCheck.get());
    reporter->addWarningSource([this] { return modelCheck->warnings(); });
}

QString TForm1::forecastNotice() const
{
    QStringList notices;
    if (keepAwake && !keepAwake->Warning().isEmpty())
        notices << keepAwake->Warning();
    if (modelCheck && !modelCheck->notice().isEmpty())
        notices << modelCheck->notice();
    return notices.join("  ");
}
