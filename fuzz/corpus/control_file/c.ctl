>TITLE:A pass-2 item without a usable level
>MODEL: 1
>REFERENCE: r.dat 51 4
(5X,4F1.0)
>FOCAL: f.dat 27
(5X,4F1.0)
>OUTPUT: o.out
>LEVELS: 3
0 1 2
0 1 4
>LABELS: N
