var ninshiki_go=[
/* ninshiki_go_data */
        ['73',"Stand up","Get up"],
        ['75',"Sit down"]
        /* ninshiki_go_data */
];
