// Fitting the kiln's model to a firing and tuning the regulator on it: the two dialogs over
// the kiln page and what their "Apply" puts into the fields.
#include "FitDialog.h"
#include "FitSources.h"
#include "Numbers.h"
#include "TForm1.h"
#include "TuneDialog.h"
#include "Widgets.h"

#include <QLineEdit>

namespace {

// Fitted and tuned factors carry more digits than the spin buttons give.
constexpr int kFactorDigits = 4;

// A field's number without a default: none when it holds no number.
std::optional<double> strictValue(const QLineEdit* field)
{
    double v = 0;
    if (!Numbers::parseDecimal(NormalizeDecimal(field->text()), v))
        return std::nullopt;
    return v;
}

}  // namespace

void TForm1::FitButtonClick()
{
    FitDialog::Sources sources;
    sources.recording = [this] { return FitSources::FromChart(*chart, state.Temps.TempScale); };
    sources.historyPath = historyFile();
    const ModelFactors start = SimulatorView{MODEL_P, MODEL_I, MODEL_R}.factors();
    auto* dialog = new FitDialog(sources, start, state.Temps, texts, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &FitDialog::factorsChosen, this,
            [this](const ModelFactors& f) { guardedCall([&] { FitFactorsChosen(f); }); });
    // Window-modal without a nested event loop: the timers and the firing go on behind it.
    dialog->open();
}

void TForm1::FitFactorsChosen(const ModelFactors& f)
{
    MODEL_P->setText(Numbers::formatGeneral(f.p, kFactorDigits));
    MODEL_I->setText(Numbers::formatGeneral(f.i, kFactorDigits));
    MODEL_R->setText(Numbers::formatGeneral(f.r, kFactorDigits));
    // Marked changed even where a text came out as it was; then the fitted kiln is shown.
    previews->MODEL_PChange();
    previews->DrawModel();
}

TuneDialog::Inputs TForm1::tuneInputs() const
{
    TuneDialog::Inputs in;
    in.plan = ProgramPlan::fromTable(*program, Simulator::kStartTemp);
    in.start = {EditValue(PID_P, Regulator::kDefaultP), EditValue(PID_I, Regulator::kDefaultI),
                EditValue(PID_D, Regulator::kDefaultD), PID_CORR->itemIndex()};
    const std::optional<double> p = strictValue(MODEL_P), i = strictValue(MODEL_I), r = strictValue(MODEL_R);
    if (p && i && r)
        in.model = ModelFactors{*p, *i, *r};
    return in;
}

void TForm1::TuneButtonClick()
{
    auto* dialog = new TuneDialog(tuneInputs(), state.Temps, texts, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &TuneDialog::factorsChosen, this,
            [this](const PidFactors& f) { guardedCall([&] { TuneFactorsChosen(f); }); });
    dialog->open();
}

void TForm1::TuneFactorsChosen(const PidFactors& f)
{
    PID_P->setText(Numbers::formatGeneral(f.p, kFactorDigits));
    PID_I->setText(Numbers::formatGeneral(f.i, kFactorDigits));
    PID_D->setText(Numbers::formatGeneral(f.d, kFactorDigits));
    PID_CORR->setItemIndex(f.corr);
    previews->MODEL_PChange();
}
