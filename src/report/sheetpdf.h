#pragma once

#include "error.h"
#include "setupsheet.h"

#include <QIODevice>

#include <string>

enum class SheetPaper { A4, Letter };

// Lays the sheet out on pages of the paper and writes it to `device` as PDF: a header on every
// page (the title, the machine, "page k of n"), tables that continue on the next page with their
// heads repeated, all words as real text. Needs a QGuiApplication (for the fonts).
tubrix::Result<void> WriteSetupSheetPdf(const SetupSheet& sheet, SheetPaper paper,
                                        QIODevice& device);
