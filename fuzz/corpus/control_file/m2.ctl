>TITLE:Model 2 on eight items with labels
>MODEL: 2
>REFERENCE: ref8.dat 400 8
(6X,8F1.0)
>FOCAL: foc8.dat 300
(6X,8F1.0)
>OUTPUT: m2.out
>LEVELS: 3
0 3 6
2 5 8
>LABELS: Y
21 22 23 24 25 26 27 28
