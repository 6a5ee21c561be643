// "-N": the data part converted record by record in module order.
#pragma once

struct Conversion;

void convertDirect(Conversion &conv);
