// Writing the notebook back into the instrument, and initialising it.

#include "K210.h"

namespace kvir {

void TGround_form::But_init_wpadClick() {}
void TGround_form::But_save_wpadClick() {}

}  // namespace kvir
