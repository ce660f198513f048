# Time per element against document size for every contender.
# gnuplot -e "datafile='bench/results/per_element.dat'; outfile='bench/results/time_per_element.png'" bench/plot.gp
set terminal pngcairo size 900,560 font ",11"
set output outfile
set title "receive: CPU time per body element (median)"
set xlabel "body elements in the document"
set ylabel "ns per element"
set logscale x
set xrange [700:1400000]
set yrange [0:*]
set key outside right top
set grid
columns = system("head -1 " . datafile . " | wc -w") - 1
plot for [i=2:columns+1] datafile using 1:i with linespoints lw 2 pt 7 title columnheader(i)
