#include "shell/datamodule_access.h"

namespace datamodule {
bool createDataModule() { return true; }
void destroyDataModule() {}
void releaseDatabase() {}
void disconnect() {}
} // namespace datamodule
