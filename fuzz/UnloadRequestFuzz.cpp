// The readings a handheld sends through the service, as any bytes: the parser
// must never crash, and what it accepts must be what the register can keep (an
// identifier of the allowed form, every text within its field and written to
// the Windows-1252 copy unchanged, a known location and operator), while what it
// refuses names why.

#include "core/coletor/UnloadRequest.h"
#include "core/common/Cp1252.h"
#include "FuzzSupport.h"

using namespace ambitra;
using namespace ambitra::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const UnloadRequest::Known known{
        {QStringLiteral("0101"), QStringLiteral("0202"), QStringLiteral("a")},
        {QStringLiteral("Ana"), QStringLiteral("Rui")}};
    static const int sizes[Reading::FieldCount] = {13, 32, 4, 16, 2, 16, 0, 0, 0, 16};
    const QByteArray body(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    UnloadRequest request;
    if (!request.parse(body, known)) {
        check(!request.error().isEmpty(), "a refused request names no reason");
        check(request.readings().isEmpty(), "a refused request kept readings");
        return 0;
    }
    check(request.count() > 0, "an accepted request has no count");
    check(request.readings().size() <= UnloadRequest::kMaxReadings, "too many readings accepted");
    for (const Reading& reading : request.readings()) {
        check(UnloadRequest::validId(reading.id), "a bad identifier was accepted");
        check(!reading.code().isEmpty(), "a reading without a code was accepted");
        check(known.locations.contains(reading.stored(Reading::Location).toString()),
              "an unknown location was accepted");
        check(known.operators.contains(reading.stored(Reading::Operator).toString()),
              "an unknown operator was accepted");
        for (int field = 0; field < Reading::FieldCount; ++field) {
            const QVariant& value = reading.stored(field);
            if (sizes[field] == 0 || value.isNull()) {
                continue;
            }
            const QString text = value.toString();
            check(text.size() <= sizes[field], "a text longer than its field was accepted");
            check(cp1252::decode(cp1252::encode(text)) == text,
                  "a text the copy cannot keep was accepted");
        }
    }
    return 0;
}
