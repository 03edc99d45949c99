#pragma once
#include <QFont>

// Maps Tahoma and the Korean faces that the windows and labels name onto installed faces
// (NanumGothic, NanumGothicCoding) so that Hangul never shows as boxes. Call once at start.
void InstallFontSubstitutions();

// Tahoma with a character height in pixels at 96 dpi (h px = h * 72 / 96 pt).
QFont TahomaPx(int pixels, bool bold = false);
