// Event sounds and the help pages: the window's two small shell services. The sound test
// buttons are bound with the settings page; here the choice buttons and the clicks that
// silence a playing sound.
#include "TForm1.h"
#include "Widgets.h"

#include <QEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>
#include <qcustomplot.h>

namespace {
// Calls `f` when the mouse is pressed on the watched widget or on a child that leaves the
// press to it (a label, an indicator); the press goes on as usual.
class PressFilter : public QObject {
public:
    PressFilter(QObject* parent, std::function<void()> f) : QObject(parent), f_(std::move(f)) {}
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonPress)
            f_();
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> f_;
};
}  // namespace

void TForm1::connectSoundsAndHelp()
{
    const auto chooseSound = [this](const QString& folder, const QString& fileName) {
        return OpenDialog3.open(services_.dialogs, folder, fileName);
    };
    sounds = std::make_unique<EventSoundPlayer>(state, services_.sound,
                                                EventSoundPlayer::Fields{WAV1, WAV2, WAV3, WAV4, WAV5, WAV6}, chooseSound);
    help = std::make_unique<HelpPages>(state, texts, WebBrowser1);
    connectSounds();
    connectHelpPage();
}

void TForm1::connectSounds()
{
    for (QPushButton* b : {Button14, Button19, Button22, Button21, Button25, Button28})
        connect(b, &QPushButton::clicked, this, [this, b] { Button14Click(b); });
    // Switching pages, or clicking the status area or a chart, silences a sound.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] { StopPlayer(); });
    for (QCustomPlot* chart : {Chart1, Chart2, Chart3})
        connect(chart, &QCustomPlot::mousePress, this, [this] { StopPlayer(); });
    for (Panel* panel : {Panel4, Panel7, Panel8, Panel31, Panel9})
        connect(panel, &Panel::clicked, this, [this] { StopPlayer(); });
    for (QGroupBox* group : {ProgramPanel, StatusPanel})
        group->installEventFilter(new PressFilter(group, [this] { StopPlayer(); }));
}

void TForm1::StopPlayer() { sounds->StopPlayer(); }

void TForm1::Button14Click(const QObject* sender) { guardedCall([&] { sounds->Button14Click(tagOf(sender)); }); }
