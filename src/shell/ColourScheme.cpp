#include "ColourScheme.h"

#include <QApplication>
#include <QStyle>

QPalette ColourScheme::dark()
{
    const QColor window(53, 53, 53);
    const QColor base(35, 35, 35);
    const QColor text(255, 255, 255);
    const QColor disabledText(127, 127, 127);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 220));
    p.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(255, 80, 80));
    p.setColor(QPalette::Light, QColor(80, 80, 80));
    p.setColor(QPalette::Midlight, QColor(66, 66, 66));
    p.setColor(QPalette::Mid, QColor(90, 90, 90));
    p.setColor(QPalette::Dark, QColor(35, 35, 35));
    p.setColor(QPalette::Shadow, QColor(20, 20, 20));
    p.setColor(QPalette::Link, QColor(42, 130, 218).lighter(140));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
    p.setColor(QPalette::PlaceholderText, disabledText);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabledText);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    return p;
}

bool ColourScheme::followEnvironment()
{
    const QByteArray wanted = qgetenv("FORNAXEL_PALETTE").trimmed().toLower();
    if (wanted == "dark")
        QApplication::setPalette(dark());
    else if (wanted == "light")
        QApplication::setPalette(QApplication::style()->standardPalette());
    else
        return false;
    return true;
}
