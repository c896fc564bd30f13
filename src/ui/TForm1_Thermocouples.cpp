// The thermocouple set-up over the kiln page's thermocouple controls, and its handlers.
#include "TForm1.h"

#include "Widgets.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {
// Hands every typed character of a field to `f`; the key itself goes on to the field.
class CharacterFilter : public QObject {
public:
    CharacterFilter(QObject* parent, std::function<void(QChar)> f) : QObject(parent), f_(std::move(f)) {}
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent*>(e)->text();
            if (text.size() == 1)
                f_(text.at(0));
        }
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void(QChar)> f_;
};

// Calls `f` when the focus leaves a widget.
class FocusOutFilter : public QObject {
public:
    FocusOutFilter(QObject* parent, std::function<void()> f) : QObject(parent), f_(std::move(f)) {}
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::FocusOut)
            f_();
        return QObject::eventFilter(o, e);
    }

private:
    std::function<void()> f_;
};
}  // namespace

void TForm1::createThermocouples()
{
    ChannelSetupView v;
    v.TC_Index = TC_Index;
    v.TC_Name = TC_Name;
    v.ThermoCoupleType = ThermoCoupleType;
    v.TERM_Z = TERM_Z;
    v.TERM_ZT = TERM_ZT;
    v.TERM_K = TERM_K;
    v.TERM_KT = TERM_KT;
    v.MAXTEMP = MAXTEMP;
    v.Chart3 = Chart3;
    ChannelSetupHooks h;
    h.ovenChanged = [this] { return ovenFile->OvenChanged(); };
    h.setOvenChanged = [this](bool changed) { ovenFile->SetOvenChanged(changed); };
    channels = std::make_unique<ChannelSetup>(state, texts, services_.dialogs, v, h);
    ovenFile->SetChannelsLoaded([this] { channels->TC_IndexChange(); });
}

void TForm1::connectThermocouples()
{
    connect(TC_Index, &QComboBox::currentIndexChanged, this, [this] { guardedCall([&] { channels->TC_IndexChange(); }); });
    TC_Name->installEventFilter(new FocusOutFilter(TC_Name, [this] { guardedCall([&] { channels->TC_NameExit(); }); }));
    connect(ThermoCoupleType, &RadioGroup::itemClicked, this,
            [this] { guardedCall([&] { channels->ThermoCoupleTypeClick(); }); });
    TERM_Z->installEventFilter(
        new CharacterFilter(TERM_Z, [this](QChar c) { guardedCall([&] { channels->TERM_ZKeyPress(c); }); }));
    TERM_K->installEventFilter(
        new CharacterFilter(TERM_K, [this](QChar c) { guardedCall([&] { channels->TERM_KKeyPress(c); }); }));
    connect(TC_Graph, &QPushButton::clicked, this, [this] { guardedCall([&] { channels->DrawTC(); }); });
}
