X Y
m 1
