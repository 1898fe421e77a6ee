#include "cryptel/InstallationKeys.h"

#include "cryptel/InstallationKeyData.h"

const char* InstallationKeyTokens() { return cryptel::generated::kInstallationKeyTokens; }

const char* InstallationKeyName() { return cryptel::generated::kInstallationKeyName; }

bool InstallationKeysAreDemo() { return cryptel::generated::kInstallationKeysAreDemo; }
