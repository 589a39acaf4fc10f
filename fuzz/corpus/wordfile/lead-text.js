/* ninshiki_go_data */
note ['1',"a","b","c","d"]
        /* ninshiki_go_data */
tail
/* ninshiki_go_data */
more
