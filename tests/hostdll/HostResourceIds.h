// String ids of the stand-in resource DLLs: 4xxx the filter loads, 9xxx show which module answered.
#pragma once

#define IDS_DEFAULT_DOCUMENT_NAME      4005
#define IDS_UPDATE_REMOTE_FILE_GONE    4006
#define IDS_CONFLICT_LOCAL_CHANGE      4007
#define IDS_CONFLICT_REMOTE_CHANGE     4008
#define IDS_SCOPE_PARAMETER_PROMPT     4248
#define IDS_SCHEMA_VALIDATION_FAILED   4259

#define IDS_TEST_LANGUAGE_AND_COMMON   9001
#define IDS_TEST_COMMON_ONLY           9002
#define IDS_TEST_BRAND_ONLY            9003

// Brand strings that "!!IDS_BRAND..." placeholders name.
#define IDS_BRAND_PRODUCT_NAME         100
#define IDS_BRAND_COMPANY_NAME         101
