// The host folds with the C.UTF-8 locale's simple case mapping, whatever locale the
// program runs in (the "C" locale maps ASCII letters only).
#include "install/PathText.h"

#include <clocale>
#include <cwctype>

namespace install {

char16_t UpcaseUnit(char16_t unit) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!utf8) return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
    const wint_t upper = towupper_l(static_cast<wint_t>(unit), utf8);
    // The file system's table maps every unit to one unit.
    return upper < 0x10000 && (upper < 0xD800 || upper > 0xDFFF) ? static_cast<char16_t>(upper) : unit;
}

}  // namespace install
