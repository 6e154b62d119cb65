#pragma once

#include "core/baseline.h"
#include "core/edit_history.h"
#include "core/value_matrix.h"

#include <QtGlobal>
#include <vector>

namespace korvel {

// The editor window's variables that its tabs share.
struct EditorState {
    bool IsSaved = true;        // the image holds no edit that the BIN file lacks
    bool IsLoading = false;     // a list choice is setting controls from code
    bool CommitPending = false; // leaving the raw box asks the stepper handler to commit
    bool ArrayShowRaw = true;
    bool MapShowRaw = true;
    qint16 RotationAngle = 30; // degrees, shared by the map surface and the Hex tab

    // List index -> item number (index into EcuItemTable), one list per tab.
    std::vector<int> FlagItems, ValueItems, ArrayItems, MapItems;

    int ArrayCols = 0, ArrayRows = 0;
    int MapCols = 0, MapRows = 0;
    double MapXMax = 1, MapYMax = 1, MapZMax = 1;
    ValueMatrix ArrayValues, MapValues, HexValues;
    // Every action that changed bytes, for undo and redo; it lives as long as the window.
    EditHistory History;
    // What the image is compared with: the image as opened, or a BIN file the user chose.
    Baseline Compare;
    // The Arrays and Maps grids colour their cells by value.
    bool HeatMap = false;
};

} // namespace korvel
