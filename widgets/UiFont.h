#pragma once
// The program's Japanese UI face with substitutes for systems that lack it.

#include <QFont>

// "MS UI Gothic" at the given pixel height, falling back to IPA P Gothic, Noto Sans CJK JP and
// any sans-serif face, so that Japanese text never renders as empty boxes.
QFont MakeGothicFont(int pixelHeight, int weight = QFont::Normal);
