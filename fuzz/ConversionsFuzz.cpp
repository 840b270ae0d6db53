// The text-to-value conversions that every import and the handheld's tables go
// through: any text gives a value, never a crash, and the values keep the shape
// their callers rely on.

#include "core/common/Conversions.h"
#include "FuzzSupport.h"

#include <QDate>
#include <QTime>

#include <cmath>

using namespace ambitra;
using namespace ambitra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const int width = data[0] % 20;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1,
                                           static_cast<qsizetype>(size - 1));

    const QDate date = TextToDate(text);
    check(date.isValid(), "TextToDate gave an invalid date");
    const QTime time = TextToTime(text);
    check(time.isValid(), "TextToTime gave an invalid time");
    const double number = TextToFloat(text);
    check(!std::isnan(number), "TextToFloat gave NaN");

    const QString digits = DigitsOnly(text, width);
    for (const QChar ch : digits) {
        check(ch >= u'0' && ch <= u'9', "DigitsOnly kept a character that is not a digit");
    }
    check(width == 0 || digits.size() == width, "DigitsOnly missed its width");

    const QString plain = DigitsOnly(text, 0);
    if (!plain.isEmpty() && plain.size() < 20) {
        const QString withCheck = AddEANCheckDigit(plain);
        check(withCheck.size() == plain.size() + 1 && withCheck.startsWith(plain),
              "AddEANCheckDigit did not add one digit");
    }
    StripLeadingZeros(text, u',');
    TextToBool(text);
    TextToHex(text);
    return 0;
}
