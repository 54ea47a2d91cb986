// Box's error replies as the texts the rest of the system sees, and sync issues on an item.
#pragma once

#include "ILSHttpRequest.h"
#include "LSHttpError.h"
#include "StdString.h"
#include "VESKSyncBasicsLib.h"

#include <memory>
#include <string>

namespace Box_20 {

// "[Box Error Code]" code "\n" "[Box Error Message]" message "\n" for a Box error body
// ({"type":"error",...}); the filter compares the start of this text, so its layout is fixed.
// A reply that is JSON but no Box error gives an empty text (the caller then uses the HTTP
// error's own text). A reply that is no JSON at all (none, or a proxy's HTML page) gives the two
// labels followed by httpStatus, the reply's reason and status ("Bad Gateway (502)"), so that the
// failure is still recorded on the item and says what went wrong.
CStdStr<wchar_t> ParseBoxErrorText(const std::wstring& replyText, const std::wstring& httpStatus);

// The Box error text of a failure that LSHttpError carries (its reply body is the detail).
CStdStr<wchar_t> BoxErrorTextOf(const LSHttpError& error);

// The Box error text of a failed request's reply; empty without a request.
CStdStr<wchar_t> ParseBoxError(const std::unique_ptr<ILSHttpRequest>& request);

// Writes "Quentra.SyncIssueMessage" = message and "Quentra.SyncIssueType" = "ERROR". A failing
// write is logged and does not stop the other.
void RecordSyncIssue(ILSPropertyMap* propertyMap, const std::wstring& message);

// The Box error text of the request's reply, recorded as a sync issue on the map when it is not
// empty and a map is given. Never throws.
CStdStr<wchar_t> HandleError(const std::unique_ptr<ILSHttpRequest>& request, ILSPropertyMap* propertyMap);

} // namespace Box_20
