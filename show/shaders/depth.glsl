// The model seen from a laser's origin into its 1 x 256 float map: each texel
// row holds the distance from the origin to the nearest surface along that
// row's ray (red, green and blue), alpha 1 marks a hit; rows without a hit
// keep the clear value 0.
//
// The view's roll turns every fan upright, so its beams run bottom to top
// through the map. The view spans atan(diam / length) while the fan spans
// 2 atan(diam / (2 length)); scaling the clip y by (f^2 - 1) / f^2, with f the
// projection's cotangent of half the view, makes the two meet exactly: beam k
// of 256 covers texel row k. f comes from the projection itself, which holds
// f times the roll's sine and cosine in its second row.
#version 120
varying vec3 v_eye;
void main() {
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    v_eye = eye.xyz;
    vec4 clip = gl_ProjectionMatrix * eye;
    float f2 = gl_ProjectionMatrix[0][1] * gl_ProjectionMatrix[0][1] +
               gl_ProjectionMatrix[1][1] * gl_ProjectionMatrix[1][1];
    clip.y *= (f2 - 1.0) / f2;
    gl_Position = clip;
}
//____FRAGMENT_SHADER____
#version 120
varying vec3 v_eye;
void main() {
    float distance = length(v_eye);
    gl_FragColor = vec4(distance, distance, distance, 1.0);
}
