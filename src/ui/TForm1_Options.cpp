// The settings page.
#include "LayoutHelpers.h"
#include "LivePageGroup.h"
#include "MqttSettingsBox.h"
#include "TForm1.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>

using namespace layout;

void TForm1::buildOptionsPage()
{
    UI_NEW(TabOptions, QWidget);
    auto* page = row(10);
    page->setContentsMargins(8, 8, 8, 8);
    // The groups may outgrow the tab at the window's smallest size: the page scrolls then.
    auto* content = new QWidget;
    content->setLayout(page);
    auto* scroll = named<QScrollArea>("optionsScroll");
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column(TabOptions, 0, 0)->addWidget(scroll);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    left->setSpacing(8);
    right->setSpacing(8);
    page->addLayout(left, 9);
    page->addLayout(right, 10);

    // ---- Miscellaneous ----
    UI_NEW(Misc, QGroupBox, " Дополнительно ");
    auto* gm = grid(Misc, 8, 4, 4);
    UI_NEW(RealTime, QCheckBox, "Реальное время на графике");
    RealTime->setChecked(true);
    UI_NEW(Price, QLabel, "Цена, руб за 1 кВт*час");
    UI_NEW(EnergyCost, QLineEdit, "1");
    numberField(EnergyCost, 70);
    UI_NEW(READCALIBRATION, QCheckBox, "Считывать калибровку из контроллера");
    gm->addWidget(RealTime, 0, 0, 1, 2);
    gm->addWidget(Price, 1, 0);
    gm->addWidget(EnergyCost, 1, 1, Qt::AlignRight);
    gm->addWidget(READCALIBRATION, 2, 0, 1, 2);
    gm->setColumnStretch(0, 1);
    left->addWidget(Misc);

    // ---- Device ----
    UI_NEW(DeviceBox, QGroupBox, " Устройство ");
    auto* gd = grid(DeviceBox, 8, 4, 4);
    UI_NEW(PortSelect, QPushButton, "Порт:");
    UI_NEW(InterfaceType, QRadioButton, "Ardentor PC");
    UI_NEW(SimButton, QRadioButton, "Симулятор, ускорение");
    SimButton->setChecked(true);
    UI_NEW(Label37, QLabel, "x");
    UI_NEW(SIM_SPEED, QLineEdit, "10");
    numberField(SIM_SPEED, 50);
    gd->addWidget(InterfaceType, 0, 0);
    gd->addWidget(PortSelect, 0, 1, 1, 3);
    gd->addWidget(SimButton, 1, 0);
    gd->addWidget(Label37, 1, 2, Qt::AlignRight);
    gd->addWidget(SIM_SPEED, 1, 3);
    gd->setColumnStretch(1, 1);
    left->addWidget(DeviceBox);

    // ---- Language ----
    UI_NEW(Language, QGroupBox, " Язык ");
    auto* gl = grid(Language, 8, 6, 4);
    UI_NEW(English, QRadioButton, "English");
    UI_NEW(Russian, QRadioButton, "Русский");
    UI_NEW(Other, QRadioButton, "Другой:");
    UI_NEW(OtherLang, QLineEdit, "Deutsch");
    gl->addWidget(English, 0, 0);
    gl->addWidget(Russian, 1, 0);
    gl->addWidget(Other, 2, 0);
    gl->addWidget(OtherLang, 2, 1);
    gl->setColumnStretch(1, 1);
    left->addWidget(Language);

    // ---- Shutdown ----
    UI_NEW(ShutDown, QGroupBox, " Отключение ");
    auto* gs = grid(ShutDown, 8, 4, 4);
    const auto limit = [&](int r, QLabel*& label, const char* labelName, const QString& caption, QLineEdit*& field,
                           const char* fieldName, const QString& text, QLabel*& unit, const char* unitName,
                           const QString& unitText) {
        label = named<QLabel>(QString::fromLatin1(labelName), caption);
        label->setWordWrap(true);
        field = named<QLineEdit>(QString::fromLatin1(fieldName), text);
        numberField(field, 44);
        unit = named<QLabel>(QString::fromLatin1(unitName), unitText);
        gs->addWidget(label, r, 0);
        gs->addWidget(field, r, 1);
        gs->addWidget(unit, r, 2);
    };
    limit(0, SDControllerDisconnect, "SDControllerDisconnect", "Авария при потере связи с контроллером через",
          PWR_DELAY, "PWR_DELAY", "10", Minutes1, "Minutes1", "мин");
    limit(1, SDTemperatureUnreachable, "SDTemperatureUnreachable", "Авария при недостижимой температуре через",
          IMPOSSIBLE, "IMPOSSIBLE", "30", Minutes2, "Minutes2", "мин");
    limit(2, TemperatureRange, "TemperatureRange", "Допуск температуры ±", DEV, "DEV", "10", Label47, "Label47",
          "°C");
    limit(3, SDResumeLimit, "SDResumeLimit", "Предлагать продолжить прерванный обжиг в течение", RESUME_LIMIT,
          "RESUME_LIMIT", "2", Hours1, "Hours1", "ч");
    // Each check box reads as a whole sentence, so the two headings above them are kept
    // for their captions but not shown.
    UI_NEW(Emergency, QLabel, "При аварии:");
    UI_NEW(ShutDownCrash, QCheckBox, "При аварии выключить компьютер");
    UI_NEW(NormalShutdown, QLabel, "По окончании программы:");
    UI_NEW(ShutDownNormal, QCheckBox, "По окончании программы выключить компьютер");
    Emergency->hide();
    NormalShutdown->hide();
    gs->addWidget(ShutDownCrash, 4, 0, 1, 3);
    gs->addWidget(ShutDownNormal, 5, 0, 1, 3);
    gs->addWidget(Emergency, 6, 0);
    gs->addWidget(NormalShutdown, 7, 0);
    gs->setColumnStretch(0, 1);
    gs->setColumnMinimumWidth(2, 24);
    right->addWidget(ShutDown);

    // ---- Temperature scale ----
    UI_NEW(Scale, RadioGroup, " Шкала температуры ");
    Scale->setItems({"°C", "°F", "K", "°Ra", "°R"});
    Scale->setColumns(5);
    Scale->setItemIndex(0);
    left->addWidget(Scale);
    // Watching the kiln from elsewhere: the broker at the foot of one column, the page at the
    // foot of the other, so that the page scrolls as little as it must.
    left->addWidget(MqttBox = new MqttSettingsBox);
    left->addStretch(1);

    // ---- Event sounds ----
    UI_NEW(EventSounds, QGroupBox, " Звуки событий ");
    auto* ge = grid(EventSounds, 8, 3, 4);
    // Sound n is the file in WAVn; the test buttons and the "..." buttons carry n as their tag.
    const auto sound = [&](int n, QPushButton*& test, const char* testName, const QString& caption,
                           QLineEdit*& field, const char* fieldName, const QString& file, QPushButton*& choose,
                           const char* chooseName) {
        test = named<QPushButton>(QString::fromLatin1(testName), caption);
        field = named<QLineEdit>(QString::fromLatin1(fieldName), file);
        choose = named<QPushButton>(QString::fromLatin1(chooseName), "...");
        choose->setFixedWidth(28);
        setTag(test, n);
        setTag(choose, n);
        ge->addWidget(test, n - 1, 0);
        ge->addWidget(field, n - 1, 1);
        ge->addWidget(choose, n - 1, 2);
    };
    sound(1, Sound1, "Sound1", "Звук 1", WAV1, "WAV1", "APPLAUSE.WAV", Button14, "Button14");
    sound(2, Sound2, "Sound2", "Звук 2", WAV2, "WAV2", "CASHREG.WAV", Button19, "Button19");
    sound(3, Sound3, "Sound3", "Звук 3", WAV3, "WAV3", "CHIMES.WAV", Button22, "Button22");
    sound(4, Sound4, "Sound4", "Звук 4", WAV4, "WAV4", "DRUMROLL.WAV", Button21, "Button21");
    sound(5, Sound5, "Sound5", "Звук 5", WAV5, "WAV5", "REMINDER.WAV", Button25, "Button25");
    sound(6, Alarm, "Alarm", "Авария", WAV6, "WAV6", "EXPLODE.WAV", Button28, "Button28");
    ge->setColumnStretch(1, 1);
    right->addWidget(EventSounds);
    right->addWidget(LivePageBox = new LivePageGroup);
    right->addStretch(1);
}
