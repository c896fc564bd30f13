#include "StoredSettings.h"

#include "IniFile.h"
#include "Numbers.h"
#include "Widgets.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>
#include <stdexcept>

namespace StoredSettings {

namespace {

std::vector<StoredControl> makeControls()
{
    std::vector<StoredControl> out;
    const auto add = [&out](const QString& entry, StoredControl::Kind kind) { out.push_back({entry, kind}); };
    add("RealTime.Checked", StoredControl::Checked);
    add("EnergyCost.Text", StoredControl::Text);
    add("PWR_DELAY.Text", StoredControl::Text);
    add("IMPOSSIBLE.Text", StoredControl::Text);
    add("DEV.Text", StoredControl::Text);
    add("RESUME_LIMIT.Text", StoredControl::Text);
    add("ShutDownCrash.Checked", StoredControl::Checked);
    add("ShutDownNormal.Checked", StoredControl::Checked);
    for (int n = 15; n <= 30; ++n)
        add("Panel" + QString::number(n) + ".Color", StoredControl::Color);
    for (int n = 1; n <= 6; ++n)
        add("WAV" + QString::number(n) + ".Text", StoredControl::Text);
    add("SIM_SPEED.Text", StoredControl::Text);
    add("InterfaceType.Checked", StoredControl::Checked);
    add("READCALIBRATION.Checked", StoredControl::Checked);
    add("OtherLang.Text", StoredControl::Text);
    add("English.Checked", StoredControl::Checked);
    add("Russian.Checked", StoredControl::Checked);
    add("Other.Checked", StoredControl::Checked);
    add("Scale.ItemIndex", StoredControl::ItemIndex);
    for (const char* box : {"CheckBox7", "CheckBox15", "CheckBox16", "CheckBox17", "CheckBox18", "CheckBox19",
                            "CheckBox20", "CheckBox21", "CheckBox6", "CheckBox12", "CheckBox1", "CheckBox13"})
        add(QString::fromLatin1(box) + ".Checked", StoredControl::Checked);
    return out;
}

struct NamedColor {
    const char* name;
    QRgb rgb;
};

// The standard colour names the settings file uses.
constexpr NamedColor kNamedColors[] = {
    {"clBlack", 0x000000},   {"clMaroon", 0x800000}, {"clGreen", 0x008000},  {"clOlive", 0x808000},
    {"clNavy", 0x000080},    {"clPurple", 0x800080}, {"clTeal", 0x008080},   {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},  {"clRed", 0xFF0000},    {"clLime", 0x00FF00},   {"clYellow", 0xFFFF00},
    {"clBlue", 0x0000FF},    {"clFuchsia", 0xFF00FF}, {"clAqua", 0x00FFFF},  {"clWhite", 0xFFFFFF},
    {"clInfoBk", 0xFFFFE1},
};

// The window text colour is black on the desktops this runs on.
constexpr NamedColor kSystemColors[] = {{"clWindowText", 0x000000}};

QWidget* find(QWidget& window, const StoredControl& c)
{
    return window.findChild<QWidget*>(c.control());
}

std::runtime_error noValue(const StoredControl& c, const QString& value)
{
    return std::runtime_error(("'" + value + "' is no value for " + c.key()).toStdString());
}

}  // namespace

const std::vector<StoredControl>& controls()
{
    static const std::vector<StoredControl> list = makeControls();
    return list;
}

QString colorText(const QColor& color)
{
    for (const NamedColor& n : kNamedColors)
        if ((color.rgb() & 0xFFFFFF) == n.rgb)
            return QString::fromLatin1(n.name);
    const int bgr = color.red() | (color.green() << 8) | (color.blue() << 16);
    return QString::number(bgr);
}

std::optional<QColor> colorFromText(const QString& text)
{
    const QString t = text.trimmed();
    const auto named = [&t](const auto& table) -> std::optional<QColor> {
        for (const NamedColor& n : table)
            if (t.compare(QString::fromLatin1(n.name), Qt::CaseInsensitive) == 0)
                return QColor(QRgb(n.rgb));
        return std::nullopt;
    };
    if (std::optional<QColor> c = named(kNamedColors))
        return c;
    if (std::optional<QColor> c = named(kSystemColors))
        return c;
    int bgr = 0;
    if (!Numbers::parseWhole(t, bgr) || bgr < 0 || bgr > 0xFFFFFF)
        return std::nullopt;
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

void save(IniFile& ini, const QWidget& window)
{
    QWidget& w = const_cast<QWidget&>(window);
    for (const StoredControl& c : controls()) {
        QWidget* control = find(w, c);
        if (!control)
            continue;
        switch (c.kind) {
        case StoredControl::Checked:
            if (auto* b = qobject_cast<QAbstractButton*>(control))
                ini.writeBool(kSection, c.key(), b->isChecked());
            break;
        case StoredControl::Text:
            if (auto* e = qobject_cast<QLineEdit*>(control))
                ini.writeString(kSection, c.key(), e->text());
            break;
        case StoredControl::Color:
            if (auto* p = qobject_cast<Panel*>(control))
                ini.writeString(kSection, c.key(), colorText(p->color()));
            break;
        case StoredControl::ItemIndex:
            if (auto* g = qobject_cast<RadioGroup*>(control))
                ini.writeInteger(kSection, c.key(), g->itemIndex());
            break;
        }
    }
}

bool restore(const IniFile& ini, QWidget& window, const std::function<void(QWidget*)>& changed)
{
    try {
        for (const StoredControl& c : controls()) {
            QWidget* control = find(window, c);
            if (!control || !ini.hasKey(kSection, c.key()))
                continue;
            switch (c.kind) {
            case StoredControl::Checked:
                if (auto* b = qobject_cast<QAbstractButton*>(control)) {
                    const bool v = ini.readBool(kSection, c.key(), b->isChecked());
                    if (v != b->isChecked()) {
                        b->setChecked(v);
                        changed(b);
                    }
                }
                break;
            case StoredControl::Text:
                if (auto* e = qobject_cast<QLineEdit*>(control))
                    e->setText(ini.readString(kSection, c.key(), e->text()));
                break;
            case StoredControl::Color:
                if (auto* p = qobject_cast<Panel*>(control)) {
                    const QString text = ini.readString(kSection, c.key(), QString());
                    const std::optional<QColor> color = colorFromText(text);
                    if (!color)
                        throw noValue(c, text);
                    p->setColor(*color);
                }
                break;
            case StoredControl::ItemIndex:
                if (auto* g = qobject_cast<RadioGroup*>(control)) {
                    const int v = ini.readInteger(kSection, c.key(), g->itemIndex());
                    if (v < 0 || v >= g->count())
                        throw noValue(c, QString::number(v));
                    if (v != g->itemIndex()) {
                        const QSignalBlocker quiet(g);
                        g->setItemIndex(v);
                        changed(g);
                    }
                }
                break;
            }
        }
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

}  // namespace StoredSettings
