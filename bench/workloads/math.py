from math import sin, cos

s = 0.0
for i in range(2000000):
    s += sin(i) * cos(i)
print(repr(s))
