#include "checkrow.h"

// Written as "not inside" so that a NaN, which no reader gives today, is refused too.

std::optional<RowFault> CheckRow(const BendRowInput& row) {
    if (!(row.Y >= 0)) {
        return RowFault{1, "Y, the straight length, must be 0 or more"};
    }
    if (!(row.C >= 0 && row.C <= 180)) {
        return RowFault{3, "C, the bend angle, must be from 0 to 180 degrees"};
    }
    if (row.C > 0 && !(row.R > 0)) {
        return RowFault{4, "R, the bend radius, must be greater than 0 on a row that bends"};
    }
    return std::nullopt;
}

std::optional<RowFault> CheckLastRow(const BendRowInput& row) {
    if (row.C != 0) {
        return RowFault{3, "the last row's C must be 0: the tube ends with its last straight (a "
                           "program that ends in a bend gives a last row 0,0,0,R)"};
    }
    return std::nullopt;
}

std::optional<RowFault> CheckDiameter(double diameter) {
    if (!(diameter > 0)) {
        return RowFault{0, "the diameter must be greater than 0"};
    }
    return std::nullopt;
}
