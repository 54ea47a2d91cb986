#include "BoxMetadataUpload.h"

#include "BoxCallLoop.h"
#include "BoxConstants.h"
#include "BoxExceptions.h"
#include "BoxRequestBodies.h"
#include "BoxUrlBuilders.h"
#include "LSDiag.h"
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

void PerformFingerprintUploadFromPropMap(ILSPropertyMap* propertyMap, const UploadFileRecord& record,
                                         ILSShutdownInformer* informer)
{
    if (record.FingerprintTemplateName.empty())
        return;
    const CStdStr<wchar_t> fingerprint =
        LSPropertyHelpers::getProp(propertyMap, LSNamedProperties::VESKDuplicateHash, L"");
    if (!fingerprint.empty())
        PerformFingerprintUpload(record, fingerprint, informer);
}

} // namespace Box_20
