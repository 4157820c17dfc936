#include "widgets/DialogUnits.h"

namespace {

// a * b / c rounded half away from zero, as the dialog manager scales template coordinates.
int MulDiv(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    const long long q = (2 * (n < 0 ? -n : n) + c) / (2 * c);
    return static_cast<int>(n < 0 ? -q : q);
}

}  // namespace

QRect DialogUnitsToPixels(int x, int y, int width, int height) {
    return QRect(MulDiv(x, kDialogBaseUnitX, 4), MulDiv(y, kDialogBaseUnitY, 8),
                 MulDiv(width, kDialogBaseUnitX, 4), MulDiv(height, kDialogBaseUnitY, 8));
}
