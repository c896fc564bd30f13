// What reports the firing outward: every observer of the cycle's report and of the event log
// is registered here, and nowhere else.
#include "TForm1.h"

void TForm1::createOutward()
{
    reporter = std::make_unique<CycleReportBuilder>(state, texts, *program, *firingForecast, *faults);
    observers = std::make_unique<CycleObservers>([this](const QString& name, const QString& what) {
        log->TLogLS("LogObserverFailed", name + ": " + what);
    });
    observers->add(keeper.get());
    createModelCheck();
    createLivePage();
    createMqtt();
    createHistory();
    log->setListener([this](const QString& key, const QString& text) {
        if (observers)
            observers->reportEvent(reporter->entry(key, text));
    });
}

void TForm1::reportCycle(bool withData) { observers->reportCycle(reporter->build(withData)); }
