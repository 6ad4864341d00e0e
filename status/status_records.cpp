// The two process-wide status records. They are defined together, in this
// order, so that PowerTexts is constructed before MemoryTexts and destroyed
// after it: static objects of one file are constructed in order of
// definition, and each one's destruction is registered right after its
// construction.
#include "status/memory_survey.h"
#include "status/power_texts.h"

namespace status {

PowerTexts powerTexts;
MemoryTexts memoryTexts;

}  // namespace status
