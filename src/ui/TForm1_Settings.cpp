// The settings file: the stored control values, the further keys and the window placement,
// applied at start-up and written back at close.
#include "TForm1.h"

#include "StoredSettings.h"
#include "Numbers.h"
#include "Widgets.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <exception>
#include <QTabWidget>
#include <algorithm>
#include <utility>

namespace {

const QString kSection = StoredSettings::kSection;

// Windows' show commands, as the settings file keeps them.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;

QString joined(std::initializer_list<int> numbers)
{
    QStringList parts;
    for (int n : numbers)
        parts << QString::number(n);
    return parts.join(',');
}

// Four whole numbers joined by ","; empty when the text is not that.
std::vector<int> fourNumbers(const QString& text)
{
    const QStringList parts = text.split(',');
    std::vector<int> out;
    for (const QString& p : parts) {
        int v = 0;
        if (!Numbers::parseWhole(p.trimmed(), v))
            return {};
        out.push_back(v);
    }
    return out.size() == 4 ? out : std::vector<int>{};
}

}  // namespace

// A settings file written by a later layout of the window ("FormVersion" below 0 here never
// happens; a missing key is 0): its placement and control values are left alone.
bool TForm1::storedFormVersionUsable() const
{
    int version = 0;
    const QString text = settings.readString(kSection, "FormVersion", "0").trimmed();
    return Numbers::parseWhole(text, version) && version >= 0;
}

void TForm1::applyStoredControls()
{
    languageFallbackTold_ = false;
    // Silent: a first start with a damaged settings file should still come up.
    StoredSettings::restore(settings, *this, [this](QWidget* w) { storedControlChanged(w); });
    languageTick_ = English->isChecked() ? English : Russian->isChecked() ? Russian : Other->isChecked() ? Other : nullptr;
}

// What a click on the control does, without the error report: an error here ends the list.
void TForm1::storedControlChanged(QWidget* control)
{
    if (control == RealTime)
        chart->RealTimeClick();
    else if (control == English && English->isChecked())
        restoreLanguage(English, "English");
    else if (control == Russian && Russian->isChecked())
        restoreLanguage(Russian, "Russian");
    else if (control == Other && Other->isChecked())
        restoreLanguage(Other, OtherLang->text());
    else if (auto* box = qobject_cast<QCheckBox*>(control); box && box->objectName().startsWith("CheckBox"))
        chart->CheckBox6Click(box);
}

// A stored language that does not load (a mistyped name, a file gone) gives way to English,
// said once, and the rest of the stored values are still applied.
void TForm1::restoreLanguage(QRadioButton* button, const QString& name)
{
    try {
        LangSet(name);
        return;
    } catch (const std::exception& e) {
        untickLanguagesBut(nullptr);
        const QString error = QString::fromUtf8(e.what());
        if (button != English) {
            try {
                LangSet("English");
                English->setChecked(true);
            } catch (const std::exception&) {
                // No English either: the texts stay as they are; the report names the file.
            }
        }
        if (!std::exchange(languageFallbackTold_, true))
            services_.dialogs.showMessage(texts.LS("MBWarning"), texts.LS("MBLanguageNotLoaded") + "\n" + error);
    }
}

// "Other" is ticked only once its language has loaded: a name that does not load leaves the
// language and its tick as they were, so that it is not stored either.
void TForm1::OtherClick()
{
    try {
        LangSet(OtherLang->text());
    } catch (...) {
        untickLanguagesBut(languageTick_);
        throw;
    }
    Other->setChecked(true);
    languageTick_ = Other;
}

void TForm1::LanguageClick(QRadioButton* button, const QString& name)
{
    languageTick_ = button;  // stays ticked even when its file is missing, and is stored
    LangSet(name);
}

void TForm1::untickLanguagesBut(QRadioButton* keep)
{
    for (QRadioButton* b : {English, Russian, Other}) {
        // Buttons that exclude each other cannot all be unticked.
        b->setAutoExclusive(false);
        b->setChecked(b == keep);
        b->setAutoExclusive(true);
    }
}

void TForm1::RestartRequired()
{
    if (SettingsApplied)
        services_.dialogs.showMessage(texts.LS("MBWarning"), texts.LS("MBRestartProgram"));
}

// The tab index among the tabs shown, as the settings file counts it.
int TForm1::visibleTabIndex() const
{
    int visible = 0;
    for (int i = 0; i < PageControl1->count(); ++i) {
        if (i == PageControl1->currentIndex())
            return visible;
        if (PageControl1->isTabVisible(i))
            ++visible;
    }
    return 0;
}

void TForm1::showVisibleTab(int n)
{
    for (int i = 0, visible = 0; i < PageControl1->count(); ++i) {
        if (!PageControl1->isTabVisible(i))
            continue;
        if (visible++ == n) {
            PageControl1->setCurrentIndex(i);
            return;
        }
    }
}

void TForm1::restoreWindowPlacement()
{
    const std::vector<int> rect = fourNumbers(settings.readString(kSection, "NormPos", QString()));
    // Edges beyond the largest widget Qt can have belong to no window (and their width would
    // not even fit an int).
    const auto onAScreen = [](int edge) { return edge >= -QWIDGETSIZE_MAX && edge <= QWIDGETSIZE_MAX; };
    if (!rect.empty() && std::all_of(rect.begin(), rect.end(), onAScreen) && rect[2] > rect[0] && rect[3] > rect[1]) {
        QRect normal(QPoint(rect[0], rect[1]), QPoint(rect[2] - 1, rect[3] - 1));
        normal.setSize(normal.size().expandedTo(minimumSize()));
        // A window stored on a screen that is gone comes back onto the one there is.
        if (const QScreen* screen = QGuiApplication::primaryScreen();
            screen && !screen->availableGeometry().intersects(normal))
            normal.moveTopLeft(screen->availableGeometry().topLeft());
        setGeometry(normal);
    }
    const int show = settings.readInteger(kSection, "ShowCmd", kShowNormal);
    if (show == kShowMaximized)
        setWindowState(Qt::WindowMaximized);
    // A window that was minimised comes back normal: an operator must see the kiln.
}

void TForm1::saveWindowPlacement()
{
    const QRect r = normalGeometry().isValid() ? normalGeometry() : geometry();
    const int show = isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal;
    settings.writeInteger(kSection, "Flags", 0);
    settings.writeInteger(kSection, "ShowCmd", show);
    settings.writeString(kSection, "MinMaxPos", joined({-1, -1, -1, -1}));
    settings.writeString(kSection, "NormPos", joined({r.left(), r.top(), r.right() + 1, r.bottom() + 1}));
    settings.writeInteger(kSection, "PixelsPerInch", logicalDpiY());
}

void TForm1::FormStorage1SavePlacement()
{
    settings.writeInteger(kSection, "Port_ComNumber", PortManager::numberOfName(port->PortName()));
    settings.writeString(kSection, "Port_Path", port->PortName());
    settings.writeString(kSection, "PROGRAM", programFile->FileName());
    settings.writeString(kSection, "OVEN", ovenFile->FileName());
    settings.writeString(kSection, "POL", Numbers::formatGeneral(state.PolThreshold));
    settings.writeInteger(kSection, "PageControl1_TabIndex", visibleTabIndex());
}

// Into the file held in memory, then the file replaced as a whole.
void TForm1::saveSettings()
{
    settings.writeInteger(kSection, "FormVersion", 0);
    FormStorage1SavePlacement();
    saveWindowPlacement();
    StoredSettings::save(settings, *this);
    settings.save(state.AppFolder + "/term.ini");
}

double TForm1::storedNumber(const QString& key, double fallback) const
{
    return Numbers::parseDecimalOr(NormalizeDecimal(settings.readString(kSection, key, QString())), fallback);
}

void TForm1::fillTypeTable()
{
    const QStringList heading = {"N", "Type", "Rus", "Max", "Material"};
    for (int c = 0; c < heading.size() && c < TCgrid->columnCount(); ++c)
        TCgrid->setCell(c, 0, heading[c]);
    for (int n = 1; n <= 7 && n < TCgrid->rows(); ++n) {
        TCgrid->setCell(0, n, QString::number(n));
        TCgrid->setCell(1, n, settings.readString(kSection, "TC" + QString::number(n), "_"));
        TCgrid->setCell(2, n, "-");
        TCgrid->setCell(3, n, "0");
    }
}
