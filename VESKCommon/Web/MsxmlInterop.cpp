#include "MsxmlInterop.h"

extern "C" const IID IID_IXMLHTTPRequest = {0xed8c108d, 0x4349, 0x11d2, {0x91, 0xa4, 0x00, 0xc0, 0x4f, 0x79, 0x69, 0xe8}};

namespace MsxmlInterop {

HRESULT CreateXmlHttpRequest(TalvernCommon::com_ptr<IXMLHTTPRequest>& request)
{
    CLSID clsid = {};
    HRESULT hr = ::CLSIDFromProgID(L"Msxml2.XMLHTTP.6.0", &clsid);
    if (FAILED(hr))
        return hr;
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLHTTPRequest, request.put_void());
}

} // namespace MsxmlInterop
