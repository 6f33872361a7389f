#pragma once
// Small look helpers shared by every window: colours written as 0xBBGGRR,
// the fonts the windows name, text conversion at the Qt edge, and how the
// program's own buttons show and take the keyboard.
#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include "platform/Types.h"

class QAbstractButton;
class QComboBox;
class QKeyEvent;
class QLabel;
class QPainter;
class QRect;
class QWidget;

// A colour given in the 0xBBGGRR order.
QColor BgrColor(uint32_t bgr);

// Maps "Tahoma", "MS Sans Serif" and "Arial" to an installed sans font and
// "Courier New" to a fixed-pitch one. Safe to call often; acts once.
void InstallFontSubstitutes();
// The family the named fonts resolve to (after InstallFontSubstitutes).
QString SansFamily();

// "Tahoma" at a pixel height (the windows give most sizes in pixels).
QFont TahomaPx(int pixelSize, bool bold = false);
// A named font at a pixel height.
QFont NamedFontPx(const char* family, int pixelSize, bool bold = false);
// A named font at a point size ("MS Sans Serif" 8, "Tahoma" 8).
QFont NamedFontPt(const char* family, int pointSize, bool bold = false);

QString ToQ(const AnsiString& text);
AnsiString FromQ(const QString& text);

// Sets a widget's text (window text role) colour.
void SetTextColour(QWidget* w, const QColor& colour);
// Sets a widget's background (window role) colour.
void SetBackColour(QWidget* w, const QColor& colour);
// Sets the colour of an edit's field (base role).
void SetFieldColour(QWidget* w, const QColor& colour);
// A plain-text label at `place` that draws no background of its own: the
// window's picture shows through.
QLabel* MakeLabel(QWidget* parent, const QRect& place, const QFont& font,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter, const QColor& colour = Qt::black);
// Locked combo boxes turn grey (0x808080) and take no input; unlocked they are
// white and enabled again.
void SetComboLocked(QComboBox* combo, bool locked);

// The dotted frame a drawn button shows while it has the focus.
void DrawFocusFrame(QPainter& painter, const QRect& frame, const QColor& colour);
// Enter presses a focused button as Space does; true when it did.
bool PressOnEnter(QAbstractButton* button, QKeyEvent* event);
