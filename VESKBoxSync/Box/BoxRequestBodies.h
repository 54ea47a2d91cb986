// The bodies the Box client sends, byte for byte. JSON bodies end with one line feed unless
// noted; those written with the JSON library list members in ascending key order.
#pragma once

#include "BoxRecords.h"
#include "BoxUploadRecords.h"
#include "ComDef.h"
#include "StdString.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Box_20 {

// The content type of every multipart request; the bodies use the same boundary.
inline constexpr wchar_t kMultipartContentType[] =
    L"multipart/form-data; boundary=----DavEdovuzeroUploadFile75840BFS674RW896E4F9";

// {"name":"N","parent":{"id":"P"}}
CStdStr<wchar_t> BuildCreateFolderJson(const std::wstring& folderName, const std::wstring& parentFolderId);
// The "attributes" part of a standard upload: the record's name and parent folder id.
CStdStr<wchar_t> BuildUploadAttributesJson(const UploadFileRecord& record);
// "Content-Type: " and the record's content type, application/octet-stream when it has none.
CStdStr<wchar_t> BuildMultipartPartHeader(const UploadFileRecord& record);
// Sets the record's multipart prefix (attributes part and file part header) and suffix.
void BuildMultipartUploadBody(UploadFileRecord& record);
// Prefix, the first Size bytes of the content, suffix, as one byte array. Throws
// hresult_exception E_INVALIDARG when the content holds fewer bytes than Size.
_variant_t BuildMultipartVariant(const UploadFileRecord& record);
// The first count bytes of the buffer as a byte array (an empty one for 0). Throws
// hresult_exception E_INVALIDARG for a negative count or one beyond the buffer.
_variant_t MakeByteArrayVariant(int64_t count, SharedByteBuffer bytes);

// The e-mail metadata instance: ten members from "bcc" to "to", with "received" and "sent"
// between them when those dates are valid.
CStdStr<wchar_t> BuildEmailPropsJson(const std::shared_ptr<EMailCustomPropsRec>& emailProps);
// {"fingerprint":"F"}
CStdStr<wchar_t> BuildFingerprintJson(const std::wstring& fingerprint);
// The JSON Patch that sets the fingerprint of an existing instance:
// [{"op":"replace","path":"/fingerprint","value":"F"}]
CStdStr<wchar_t> BuildFingerprintPatchJson(const std::wstring& fingerprint);
// {"parts":[{"offset":O,"part_id":"I","size":S},...]}
CStdStr<wchar_t> BuildCommitPartsJson(const std::vector<UploadPartRecord>& parts);
// A Box lock that prevents downloads and does not expire.
CStdStr<wchar_t> BuildLockJson();

// The upload preflight, without a line feed: {"name":"N","parent":{"id":"P"},"size":S}
CStdStr<wchar_t> BuildPreflightJson(const std::wstring& name, const std::wstring& parentFolderId, uint64_t size);
// {"name":"N"} with a line feed.
CStdStr<wchar_t> BuildRenameJson(const std::wstring& newName);
// Upload sessions, without a line feed: {"file_name":"N","file_size":S,"folder_id":"P"} for a
// new file, {"file_name":"N","file_size":S} for a new version.
CStdStr<wchar_t> BuildUploadSessionJson(const std::wstring& fileName, uint64_t size,
                                        const std::wstring& parentFolderId);
CStdStr<wchar_t> BuildVersionUploadSessionJson(const std::wstring& fileName, uint64_t size);

} // namespace Box_20
