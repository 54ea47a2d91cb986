// The signed-in Box user.
#pragma once

#include "BoxRecords.h"
#include "VESKSyncBasicsLib.h"

namespace Box_20 {

// The user's id, name, login and enterprise id. A reply of another "type" throws ApiException
// "... type != USER_TYPE", one without an "enterprise" object "... Json enterprise info from Box
// is null"; a failed request throws its LSHttpError.
UserInfo GetUserInfo(ILSShutdownInformer* informer);

} // namespace Box_20
