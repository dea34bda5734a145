// The folder editor page.

#include "K210.h"

namespace kvir {

void TGround_form::List_nameClick() {}
void TGround_form::edit_nameExit() {}
void TGround_form::But_new_nameClick() {}
void TGround_form::But_rename_nameClick() {}
void TGround_form::Butt_del_nameClick() {}
void TGround_form::Butt_clear_papkaClick() {}
void TGround_form::Butt_clear_allClick() {}

}  // namespace kvir
