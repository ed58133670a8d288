>TITLE:Separated item 1
>MODEL: 2
>REFERENCE: refs.dat 150 7
(5X,7F1.0)
>FOCAL: focs.dat 120
(5X,7F1.0)
>OUTPUT: sep2.out
>LEVELS: 1
0
7
>LABELS: N
