# Frame time and resident memory along the path, a world of tiles against one map, from
# world_bench's path.dat.
# Usage: gnuplot -e "data='FILE'; out='PNG'; title='WHAT'; cpu='CPU'" bench/world_flight.gp
set terminal pngcairo size 1400,600 font ",11"
set output out
set multiplot layout 1,2 title title." (".cpu.")"
set xlabel "distance along the path, km"
set grid
set key top left
set yrange [0:*]
set ylabel "frame time, ms (the frame's own work, null driver)"
plot data using 1:2 with lines lw 1 lc rgb "#d62728" title "world of tiles", \
     data using 1:5 with lines lw 1 lc rgb "#1f77b4" title "single map"
set ylabel "resident memory, MB"
set y2label "tiles loaded so far"
stats data using 4 nooutput
set y2range [0:(STATS_max > 0 ? STATS_max : 1) * 1.15]
set y2tics
set ytics nomirror
plot data using 1:3 with lines lw 2 lc rgb "#d62728" title "world of tiles", \
     data using 1:6 with lines lw 2 lc rgb "#1f77b4" title "single map", \
     data using 1:4 axes x1y2 with lines lw 1 dt 2 lc rgb "#d62728" title "world: tiles loaded"
unset multiplot
