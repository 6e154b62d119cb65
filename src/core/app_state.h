#pragma once

#include "bin_image.h"
#include "ecu_definition.h"

#include <QString>
#include <memory>
#include <vector>

namespace korvel {

struct Definition;

// The process-wide state of a run: the image, the bytes changed since start, the
// definition, the chosen paths and the link flags. The application owns one and
// passes it down; a test makes its own.
struct AppState {
    AppState();

    std::vector<BinCell> BinImage;       // kImageCells cells
    std::vector<BinCell> PendingChanges; // kImageCells cells, parallel to BinImage
    int BinSize = 0;                     // cells filled by the last ReadBinFile
    // Bytes of the file the last ReadBinFile read: cells 0 .. fileLength - 1 hold them, the
    // last part block too (Save leaves that block of the file as it is).
    int fileLength = 0;

    QString BinPath;
    QString EcuPath;
    // The installed program's data folder (the sample calibration): never saved over.
    QString DataFolder;
    qint16 PortNumber = 1;
    QString NumericFormat = QStringLiteral("##.##");
    bool EmulatorFound = false;
    bool VerifyWrites = false;
    bool CancelRequested = false;

    EcuHeader ecuHeader;
    EcuItemArray EcuItemTable;
    // A definition of another format (XDF), read into the item model: the editor's tabs show
    // its items and its checksums. Null for an .ecu definition (the two members above).
    std::shared_ptr<const Definition> definition;

    // Last image cell that Save writes back (BinSize - 17); -1 when nothing would be written.
    int lastSavedCell() const { return BinSize - 17; }
    // The byte of cell i (0 for an empty cell or an index outside the image).
    int byteAt(int index) const {
        return index < 0 || index >= kImageCells ? 0 : BinImage[static_cast<size_t>(index)].byte();
    }
};

} // namespace korvel
