#include "BoxMetadataUpload.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxErrors.h"
#include "BoxExceptions.h"
#include "BoxRequestBodies.h"
#include "BoxUrlBuilders.h"
#include "LSDiag.h"
#include "LSHttpStatus.h"
#include "LSNamedProperties.h"
#include "LSPropertyHelpers.h"

namespace Box_20 {

namespace {

void PostInstance(const UploadFileRecord& record, ILSShutdownInformer* informer, const CStdStr<wchar_t>& url,
                  const CStdStr<wchar_t>& body, const wchar_t* place)
{
    const Json::Value reply = CallBoxAPIWithRichErrorLogging(record.PropertyMap.get(), informer, url,
                                                             BoxConstants().VerbPost, _variant_t(body.c_str()), false);
    if (reply.isNull()) {
        const ApiException failure = JoinWithSpace(place, L"Json response from Box is null");
        LOG(ERROR) << failure.what();
        throw failure;
    }
}

} // namespace

void PerformEmailPropsUpload(const UploadFileRecord& record, ILSShutdownInformer* informer)
{
    PostInstance(record, informer, GetEmailMetadataUrl(record.EmailTemplateName, record.FileId, record.EnterpriseId),
                 BuildEmailPropsJson(record.EmailProps), L"Box_20::PerformEmailPropsUpload");
}

void PerformFingerprintUpload(const UploadFileRecord& record, const CStdStr<wchar_t>& fingerprint,
                              ILSShutdownInformer* informer)
{
    PostInstance(record, informer,
                 GetFingerprintMetadataUrl(record.FingerprintTemplateName, record.FileId, record.EnterpriseId),
                 BuildFingerprintJson(fingerprint), L"Box_20::PerformFingerprintUpload");
}

namespace {

CStdStr<wchar_t> FingerprintToStore(ILSPropertyMap* propertyMap, const UploadFileRecord& record)
{
    if (record.FingerprintTemplateName.empty())
        return {};
    return LSPropertyHelpers::getProp(propertyMap, LSNamedProperties::VESKDuplicateHash, L"");
}

// False when the file has no fingerprint instance to patch.
bool PatchFingerprint(const UploadFileRecord& record, const CStdStr<wchar_t>& fingerprint,
                      ILSShutdownInformer* informer)
{
    constexpr wchar_t kPlace[] = L"Box_20::UpdateFingerprint";
    std::unique_ptr<ILSHttpRequest> request;
    try {
        CallBoxAPIWithRetry(request,
                            GetFingerprintMetadataUrl(record.FingerprintTemplateName, record.FileId, record.EnterpriseId),
                            informer, BoxConstants().VerbPut, _variant_t(BuildFingerprintPatchJson(fingerprint).c_str()),
                            false, nullptr, kJsonPatchContentType);
        return true;
    } catch (const LSHttpError& error) {
        if (error.GetStatus() == LSHttpStatus::kNotFound)
            return false;
        const CStdStr<wchar_t> boxError = HandleError(request, record.PropertyMap.get());
        const ApiException failure = JoinWithSpace(kPlace, boxError.empty() ? error.FormatMessage() : boxError);
        LOG(ERROR) << failure.what();
        throw failure;
    }
}

} // namespace

void PerformFingerprintUploadFromPropMap(ILSPropertyMap* propertyMap, const UploadFileRecord& record,
                                         ILSShutdownInformer* informer)
{
    const CStdStr<wchar_t> fingerprint = FingerprintToStore(propertyMap, record);
    if (!fingerprint.empty())
        PerformFingerprintUpload(record, fingerprint, informer);
}

void UpdateFingerprintFromPropMap(ILSPropertyMap* propertyMap, const UploadFileRecord& record,
                                  ILSShutdownInformer* informer)
{
    const CStdStr<wchar_t> fingerprint = FingerprintToStore(propertyMap, record);
    if (!fingerprint.empty() && !PatchFingerprint(record, fingerprint, informer))
        PerformFingerprintUpload(record, fingerprint, informer);
}

} // namespace Box_20
