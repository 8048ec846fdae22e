#pragma once

// The layer-shell protocol's generated client header, which names a parameter "namespace", a
// keyword of C++.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
