0var ctrlbtndata=[
    [ /* A */
        [1,'a','b'],[2,'c','d'],
    ],
];
var ctrlbtnRobi=[[5,2,'x'],];