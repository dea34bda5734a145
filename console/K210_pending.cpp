// Handlers whose work belongs to the connection, the record table, the tags and export, the
// folder editor and the write-back. They are bound to their controls already; each body is
// still to be written and until then does nothing.

#include "K210.h"

namespace kvir {

// ---- Connection ------------------------------------------------------------------------
// TODO(connection): ConnectInstrument(); on 0 IdentifyInstrument(); on 0 or 147
// ReadNotebook(); then select the first folder of List_name. But_conectClick has already
// checked the guard, set the busy state and reset the grids, and restores the busy state,
// hides the progress window and arms the guard when this returns or throws.
void TGround_form::RunConnectionSequence() {}

// ---- Record table ------------------------------------------------------------------------
// TODO(tables): build both display orders and fill Tabl_sort_name_dat in `view` (1 by
// folder, 2 by date) and the folder summary Tabl_prop_wpad.
void TGround_form::FillRecordTable(int /*view*/) {}

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
