// What MinGW's msxml2.h leaves out: linkable interface ids, and the XMLHTTP 6.0 class, found by
// its program id because the header carries no CLSIDs.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include "ComPtr.h"

namespace MsxmlInterop {

// Creates the "Msxml2.XMLHTTP.6.0" request object.
HRESULT CreateXmlHttpRequest(TalvernCommon::com_ptr<IXMLHTTPRequest>& request);

} // namespace MsxmlInterop
