// Handlers whose work belongs to the connection, the record table, the tags and export, the
// folder editor and the write-back. They are bound to their controls already; each body is
// still to be written and until then does nothing.

#include "K210.h"

namespace kvir {

// ---- Tags, export and printing -------------------------------------------------------------
// TODO(tags): the tagging operations of the pop-up menu Pmenu_tabl_sort, the Delete key and
// "Выполнить".
void TGround_form::p_menu_set_allClick() {}
void TGround_form::p_menu_clrClick() {}
void TGround_form::p_menu_saveClick() {}
void TGround_form::p_menu_printClick() {}
void TGround_form::p_menu_set_delClick() {}
void TGround_form::p_menu_clr_delClick() {}
void TGround_form::Tabl_sort_name_datKeyDown(int /*key*/) {}
void TGround_form::But_exe_zapClick() {}

// ---- Folder editor -----------------------------------------------------------------------
// TODO(folders): List_nameClick also runs when the page is brought up and asks to read the
// notebook when no folder is known.
void TGround_form::List_nameClick() {}
void TGround_form::edit_nameExit() {}
void TGround_form::But_new_nameClick() {}
void TGround_form::But_rename_nameClick() {}
void TGround_form::Butt_del_nameClick() {}
void TGround_form::Butt_clear_papkaClick() {}
void TGround_form::Butt_clear_allClick() {}

// ---- Write-back ----------------------------------------------------------------------------
// TODO(write-back): "Очистить блокнот" and "Обновить блокнот".
void TGround_form::But_init_wpadClick() {}
void TGround_form::But_save_wpadClick() {}

}  // namespace kvir
