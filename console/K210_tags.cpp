// Record tags, export to a file and printing.

#include "K210.h"

namespace kvir {

void TGround_form::p_menu_set_allClick() {}
void TGround_form::p_menu_clrClick() {}
void TGround_form::p_menu_saveClick() {}
void TGround_form::p_menu_printClick() {}
void TGround_form::p_menu_set_delClick() {}
void TGround_form::p_menu_clr_delClick() {}
void TGround_form::Tabl_sort_name_datKeyDown(int /*key*/) {}
void TGround_form::But_exe_zapClick() {}

}  // namespace kvir
