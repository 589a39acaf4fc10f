0head
/*-- Pelkavin Button Data --*/
rest of the page
