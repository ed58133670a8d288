>TITLE:Separated item 1
>MODEL: 2
>REFERENCE: refs.dat 150 7
(5X,7F1.0)
>FOCAL: focs.dat 120
(5X,7F1.0)
>OUTPUT: sep.out
>LEVELS: 3
0 3 5
2 4 7
>LABELS: N
