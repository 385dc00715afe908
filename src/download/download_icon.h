// The download window's own icon: a down arrow on a teal disc, drawn in code.
#pragma once

#include "platform/handles.h"

namespace sb {

UniqueIcon MakeDownloadIcon(int size = 32);

}  // namespace sb
