0h
/*-- Pelkavin Button Data --*/
var ctrlbtndata=[[1,'a','b'],];
/*-- Pelkavin Button Data --*/
mid
/*-- Pelkavin Button Data --*/
end