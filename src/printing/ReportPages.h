// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "printing/ReportDefinition.h"

class QPagedPaintDevice;
class QTextDocument;

// Lays the document out on the device's pages, with "Page n / N" at the foot of each.
namespace ReportPages {

QPageLayout pageLayout(const ReportDefinition& definition);
// The number of pages painted; 0 when the device could not be painted on.
int paint(const QTextDocument& document, QPagedPaintDevice& device);

} // namespace ReportPages
