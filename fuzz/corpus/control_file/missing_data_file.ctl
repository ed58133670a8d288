>TITLE:Model 1: eight items, items 3 and 7 planted
>MODEL: 1
>REFERENCE: ref8.dat 400 8
(6X,8F1.0)
>FOCAL: focal8.dat 300
(6X,8F1.0)
>OUTPUT: missing_data_file.out
>LEVELS: 4
0 2 4 7
1 3 6 8
>LABELS: N
