// The live page for a phone: its observer of the cycle, its settings group and its Apply.
#include "TForm1.h"

#include "KilnName.h"
#include "LivePageGroup.h"

void TForm1::createLivePage()
{
    livePage = std::make_unique<LivePage>(texts);
    observers->add(livePage.get());
    connect(LivePageBox, &LivePageGroup::applyClicked, this, [this] { guardedCall([&] { LivePageApplyClick(); }); });
}

// Once the stored settings are in force.
void TForm1::startLivePage()
{
    const LivePageSettings stored = LivePageSettings::load(settings);
    LivePageBox->setSettings(stored);
    if (stored.enabled)
        runLivePage(stored);
    else
        LivePageBox->showOutcome(texts.LS("LivePageOff"), texts.LS("LivePageOff"), false);
}

// Applied at once and kept at once, so that a crash later does not lose them.
void TForm1::LivePageApplyClick()
{
    const LivePageSettings chosen = LivePageBox->settings();
    runLivePage(chosen);
    chosen.save(settings);
    settings.save(state.AppFolder + "/term.ini");
}

void TForm1::runLivePage(const LivePageSettings& chosen)
{
    const LivePage::Outcome o = livePage->apply(chosen, KilnName::read(settings));
    switch (o.kind) {
    case LivePage::Outcome::Off:
        log->TLogLS("LogLivePageOff", "");
        LivePageBox->showOutcome(texts.LS("LivePageOff"), texts.LS("LivePageOff"), false);
        break;
    case LivePage::Outcome::Serving:
        log->TLogLS("LogLivePageServing", o.address);
        LivePageBox->showOutcome(o.address, texts.LS("LivePageAddress") + o.address, false);
        break;
    case LivePage::Outcome::PortTaken: {
        const QString why = QString::number(o.port) + ". " + texts.LS("LivePagePortAdvice");
        log->TLogLS("LogLivePagePortTaken", why);
        LivePageBox->showOutcome(texts.LS("LogLivePagePortTaken") + why, texts.LS("LogLivePagePortTaken") + why, true);
        break;
    }
    case LivePage::Outcome::NoCode:
        log->TLogLS("LogLivePageNoCode", "");
        LivePageBox->showOutcome(texts.LS("LogLivePageNoCode"), texts.LS("LogLivePageNoCode"), true);
        break;
    }
}
