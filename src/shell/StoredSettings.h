#pragma once
#include <QColor>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class IniFile;
class QWidget;

// The control values kept in the settings file, each named by its entry "Control.Property",
// stored under the key with the "." turned into "_", and written and applied in this order.
struct StoredControl {
    enum Kind { Checked, Text, Color, ItemIndex };
    QString entry;
    Kind kind;
    QString control() const { return entry.section('.', 0, 0); }
    QString key() const { return QString(entry).replace('.', '_'); }
};

namespace StoredSettings {

inline const QString kSection = "TForm1";

const std::vector<StoredControl>& controls();

// Colours by standard name where they have one (clLime, clRed, ...), else the decimal
// number of the colour with blue in the high byte.
QString colorText(const QColor& color);
std::optional<QColor> colorFromText(const QString& text);

// Writes the values of the window's stored controls.
void save(IniFile& ini, const QWidget& window);

// Applies the stored values in order. A value equal to the control's changes nothing; a
// changed check box, radio button or radio group is reported to `changed` after it has
// been set, as a click would be. The first value that does not convert, or whose `changed`
// throws, stops the list: the rest keep their values. Returns false when it stopped.
bool restore(const IniFile& ini, QWidget& window, const std::function<void(QWidget*)>& changed);

}  // namespace StoredSettings
