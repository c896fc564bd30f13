#pragma once

class MessageTable;
class QWidget;

// Gives every captioned control below `root` the caption that the message table holds under
// the control's name (names compared without regard to case; the first entry wins).
// Labels, buttons, check boxes, radio buttons, group boxes, tab sheets and panels with a
// caption of their own are captioned; edit fields, grids and charts never are.
void ApplyCaptionEntries(QWidget* root, const MessageTable& texts);
