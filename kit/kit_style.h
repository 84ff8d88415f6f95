#pragma once
// The console look shared by every painted control: colours, fonts and the few body
// shapes (panels, button faces, grooves) the controls are drawn from. No control keeps
// an image; they all paint from these helpers. UI thread only.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace krm::ui::style {

// Surfaces, dark to light.
inline const QColor kWindow{24, 26, 30};
inline const QColor kPanel{34, 37, 43};
inline const QColor kPanelLight{46, 50, 58};
inline const QColor kBorder{62, 67, 77};
inline const QColor kGroove{14, 15, 18};
inline const QColor kText{214, 218, 224};
inline const QColor kTextDim{130, 136, 146};
inline const QColor kAccent{42, 143, 214};
// The keyboard focus ring: bright yellow, which stands out from the dark faces, the lit
// colours and the white edit boxes alike.
inline const QColor kFocusRing{255, 214, 0};

// Colours a lit button may take.
inline const QColor kLitRed{214, 58, 48};
inline const QColor kLitAmber{232, 160, 32};
inline const QColor kLitGreen{56, 186, 92};
inline const QColor kLitBlue{42, 143, 214};

// The interface font at a pixel size: "Arial Unicode MS" when installed, otherwise a
// CJK-capable family, so Chinese captions never show as boxes.
QFont font(int pixelSize, bool bold = false);

// A raised panel face: vertical gradient, rounded corners, one-pixel border.
void paintPanel(QPainter& p, const QRectF& r, qreal radius, const QColor& base,
                const QColor& border);
// A button face, lit (glowing in `lit`) or dark; hover brightens it a little.
void paintButtonFace(QPainter& p, const QRectF& r, bool lit, const QColor& litColour, bool hover,
                     bool sunken = false);
// A recessed groove (slider tracks, meter wells).
void paintGroove(QPainter& p, const QRectF& r, qreal radius);

// The keyboard focus ring: 2 pixels in kFocusRing, one pixel inside `r`.
void paintFocusRing(QPainter& p, const QRectF& r, qreal radius);
// Style-sheet rules that give the standard controls the same ring while they have the focus:
// edit boxes, push buttons and the current item of a list. Appended to a control's own sheet.
QString focusStyleSheet();

// A style sheet that draws standard dialogs (the NAME dialog, the about box, message
// boxes) in these colours: dark panel, light text, buttons with the kit's faces and the
// accent colour on the default button and on focus. Edit boxes keep their own look.
QString dialogStyleSheet();

} // namespace krm::ui::style
