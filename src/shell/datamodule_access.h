#pragma once
// What the window frame needs of the data module: create it at start, release the file (close
// the five queries and disconnect), disconnect, destroy it at the end.
namespace datamodule {
// False when the database could not be opened (the reason was shown).
bool createDataModule();
void destroyDataModule();
void releaseDatabase();
void disconnect();
} // namespace datamodule
