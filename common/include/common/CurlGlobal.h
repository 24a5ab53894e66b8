#pragma once
// libcurl's process-wide initialisation, done once before the first handle is made.

void EnsureCurlGlobalInit();
