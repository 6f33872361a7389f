#pragma once
// Small look helpers shared by every window: colours written as 0xBBGGRR,
// the fonts the windows name, text conversion at the Qt edge.
#include <QColor>
#include <QFont>
#include <QString>
#include <cstdint>
#include "platform/Types.h"

class QComboBox;
class QLabel;
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
