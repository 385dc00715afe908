// Resource ids of the executable.
#pragma once

#define IDI_SONGBOX 1
