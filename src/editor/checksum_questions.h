#pragma once

namespace korvel {

struct EditorContext;

// The editor's two checksum questions. Both refuse a header whose checksum values do
// not fit the loaded image with a critical message naming the value at fault, and then
// leave the image as it was.

// "Calculate CheckSum": asks "Save Chksum = " + the computed text, whatever is stored;
// Yes stores it (pending for the emulator, editor unsaved), No changes nothing.
void cmdChkSum_Click(EditorContext& context);

// The closing check, before the save question: when the stored text differs from the
// computed one, asks "Checksum has changed from S to T Update?"; Yes stores T.
void checksumClosingCheck(EditorContext& context);

} // namespace korvel
